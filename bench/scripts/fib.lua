-- The call tree of fib(27), walked with an explicit stack: every leaf adds
-- its value.
local stack = {27}
local top = 1
local total = 0
while top > 0 do
  local n = stack[top]
  stack[top] = nil
  top = top - 1
  if n < 2 then
    total = total + n
  else
    top = top + 1
    stack[top] = n - 1
    top = top + 1
    stack[top] = n - 2
  end
end
print(total)
