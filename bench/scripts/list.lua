-- A list of 300000 integers built by appending, then summed by walking it.
local l = {}
local n = 0
local i = 0
while i < 300000 do
  n = n + 1
  l[n] = i
  i = i + 1
end
local total = 0
for _, v in ipairs(l) do
  total = total + v
end
print(total)
