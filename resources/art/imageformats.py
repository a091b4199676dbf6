"""Writers for the image files the resource script embeds (BMP, ICO, CUR, GIF).

Pure standard-library Python so that the build needs nothing but python3.
Pixels are given as rows of (r, g, b, a) tuples, top row first.
"""
import struct


def _bmp_rows_24(width, height, pixels, background=(255, 0, 255)):
    stride = (width * 3 + 3) & ~3
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b, a = pixels[y][x]
            if a < 128:
                r, g, b = background
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        out += row
    return bytes(out)


def write_bmp(path, width, height, pixels, transparent=(255, 0, 255)):
    """24-bit bottom-up bitmap; transparent pixels take the key colour
    (magenta by default, the colour the image lists mask out)."""
    data = _bmp_rows_24(width, height, pixels, transparent)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + data)


def _icon_image(width, height, pixels):
    xor = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b, a = pixels[y][x]
            xor += bytes((b, g, r, a))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(width):
            if pixels[y][x][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    info = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def _write_icon_file(path, kind, images, hotspot=(0, 0)):
    """images: list of (width, height, pixels)."""
    blobs = [_icon_image(w, h, p) for (w, h, p) in images]
    out = bytearray(struct.pack("<HHH", 0, kind, len(images)))
    offset = 6 + 16 * len(images)
    for (w, h, _), blob in zip(images, blobs):
        if kind == 1:
            planes, bpp = 1, 32
        else:
            planes, bpp = hotspot
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, planes, bpp, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


def write_ico(path, images):
    _write_icon_file(path, 1, images)


def write_cur(path, width, height, pixels, hotspot):
    _write_icon_file(path, 2, [(width, height, pixels)], hotspot)


def _lzw(indices, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bitbuf = 0
    bitcount = 0

    def emit(code, size):
        nonlocal bitbuf, bitcount
        bitbuf |= code << bitcount
        bitcount += size
        while bitcount >= 8:
            out.append(bitbuf & 0xFF)
            bitbuf >>= 8
            bitcount -= 8

    size = min_code_size + 1
    table = {(i,): i for i in range(clear)}
    next_code = end + 1
    emit(clear, size)
    prefix = ()
    for idx in indices:
        candidate = prefix + (idx,)
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix], size)
        if next_code < 4096:
            table[candidate] = next_code
            if next_code == (1 << size) and size < 12:
                size += 1
            next_code += 1
        else:
            emit(clear, size)
            table = {(i,): i for i in range(clear)}
            size = min_code_size + 1
            next_code = end + 1
        prefix = (idx,)
    if prefix:
        emit(table[prefix], size)
    emit(end, size)
    if bitcount:
        out.append(bitbuf & 0xFF)
    return bytes(out)


def write_gif(path, width, height, palette, indices, control_block=True):
    """palette: list of (r, g, b); indices: flat list, row-major, top first.
    control_block adds the GIF89a graphic control extension (no transparency)."""
    bits = 1
    while (1 << bits) < max(2, len(palette)):
        bits += 1
    table = list(palette) + [(0, 0, 0)] * ((1 << bits) - len(palette))
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80 | ((bits - 1) << 4) | (bits - 1), 0, 0)
    for r, g, b in table:
        out += bytes((r, g, b))
    if control_block:
        out += bytes((0x21, 0xF9, 4, 0, 0, 0, 0, 0))
    out += struct.pack("<BHHHHB", 0x2C, 0, 0, width, height, 0)
    min_code = max(2, bits)
    data = _lzw(indices, min_code)
    out.append(min_code)
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out += b"\x00\x3B"
    with open(path, "wb") as f:
        f.write(out)
