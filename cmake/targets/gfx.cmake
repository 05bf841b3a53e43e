# Graphics stand-in (DirectDraw, Direct3D, utility subset over GL): nothing beyond the globbed
# library and test folders is needed yet; tests find GL through SDL's offscreen driver.
