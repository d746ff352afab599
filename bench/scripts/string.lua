-- A string grown by 20000 appends, then one character counted byte by byte.
local s = ""
local i = 0
while i < 20000 do
  s = s .. "abc"
  i = i + 1
end
local b = string.byte("b")
local count = 0
for k = 1, #s do
  if string.byte(s, k) == b then count = count + 1 end
end
print(count)
