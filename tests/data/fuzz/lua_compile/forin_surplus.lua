for k in next, {1}, nil, 99, f() do local x = 5 print(x, k) end
for k, v in 1 ^ 5, 3 > 5, 3 > 2, L"\x263A", o do end
