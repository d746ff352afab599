# Nested loops: the sum of i * j over 1000 x 1000.
def main():
    total = 0
    i = 0
    while i < 1000:
        j = 0
        while j < 1000:
            total = total + i * j
            j = j + 1
        i = i + 1
    print(total)

main()
