-- Nested loops: the sum of i * j over 1000 x 1000.
local total = 0
local i = 0
while i < 1000 do
  local j = 0
  while j < 1000 do
    total = total + i * j
    j = j + 1
  end
  i = i + 1
end
print(total)
