# The call tree of fib(27), walked with an explicit stack: every leaf adds
# its value.
def main():
    stack = [27]
    total = 0
    while stack:
        n = stack[-1]
        stack.pop()
        if n < 2:
            total = total + n
        else:
            stack.append(n - 1)
            stack.append(n - 2)
    print(total)

main()
