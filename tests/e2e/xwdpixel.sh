# Sourced by the end-to-end scripts: the colour at (x, y) of an X window dump
# (xwd) as RRGGBB.
xwd_pixel() {  # file x y
  python3 - "$@" <<'PY'
import struct, sys
name, x, y = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = open(name, "rb").read()
h = struct.unpack(">25I", data[:100])
header_size, byte_order, bpp, bpl = h[0], h[7], h[11], h[12]
rmask, gmask, bmask, ncolors = h[14], h[15], h[16], h[19]
off = header_size + ncolors * 12 + y * bpl + x * (bpp // 8)
v = int.from_bytes(data[off:off + bpp // 8], "little" if byte_order == 0 else "big")
def chan(m):
    s = (m & -m).bit_length() - 1
    return ((v & m) >> s) * 255 // (m >> s)
print("%02X%02X%02X" % (chan(rmask), chan(gmask), chan(bmask)))
PY
}
