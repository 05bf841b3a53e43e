local t = { & 4 & 8; 1, 2, x = 3 }
for i = 1, 3 do if i == 2 then continue end end
return 0xff & 3 | 1 << 2 >> 1 ^ 5, L"\x263A", [[a[[b]]c]]
