while 1 do for k, v in pairs(t) do repeat break 3 until x end end end
function a.b:c(...) return arg.n end
