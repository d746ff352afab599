# A list of 300000 integers built by appending, then summed by walking it.
def main():
    l = []
    i = 0
    while i < 300000:
        l.append(i)
        i = i + 1
    total = 0
    for v in l:
        total = total + v
    print(total)

main()
