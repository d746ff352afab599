# A string grown by 20000 appends, then one character counted byte by byte.
def main():
    s = ""
    i = 0
    while i < 20000:
        s = s + "abc"
        i = i + 1
    count = 0
    for c in s:
        if c == "b":
            count = count + 1
    print(count)

main()
