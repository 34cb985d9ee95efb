"""Small wire-level tools of the simulator: hashes, JSON styles, form and cookie parsing, pictures."""

import hashlib
import json
import re
import struct
import urllib.parse
import zlib


# --- login and friend-list hashes -------------------------------------------------------

def password_bytes(password):
    # The web client hashes one byte per UTF-16 code unit (the code modulo 256).
    units = password.encode("utf-16-le")
    return bytes(units[i] for i in range(0, len(units), 2))


def login_hash(qq, password, code):
    h1 = hashlib.md5(password_bytes(password)).digest()
    h2 = hashlib.md5(h1 + int(qq).to_bytes(8, "big")).hexdigest().upper()
    return hashlib.md5((h2 + code.upper()).encode("latin-1", "replace")).hexdigest().upper()


def friend_list_hash(qq, ptwebqq):
    key = (ptwebqq + "ticket missing").encode("latin-1", "replace")
    number = qq.encode("ascii")
    pad = (number * (len(key) // len(number) + 1))[: len(key)]
    return "".join("%02X" % (a ^ b) for a, b in zip(pad, key))


def salt_text(qq):
    """The check reply's salt: the number as 8 bytes, written as \\xNN escapes."""
    return "".join("\\x%02x" % b for b in int(qq).to_bytes(8, "big"))


# --- JSON in the service's two styles ------------------------------------------------

_ODD_U = re.compile(r"(?<!\\)((?:\\\\)*)\\u([0-9a-f]{4})")
_POLL_LOWER = {"<": "\\u003c", ">": "\\u003e", "&": "\\u0026", "'": "\\u0027"}


def poll_json(value):
    """Poll replies: every non-ASCII character as an upper-case \\uXXXX escape."""
    text = json.dumps(value, ensure_ascii=True, separators=(",", ":"))
    text = _ODD_U.sub(lambda m: m.group(1) + "\\u" + m.group(2).upper(), text)
    # These the service escaped in lower case (see the shared-file and code samples).
    for ch, esc in _POLL_LOWER.items():
        text = text.replace(ch, esc)
    return text


def list_json(value):
    """List and API replies: raw UTF-8."""
    return json.dumps(value, ensure_ascii=False, separators=(",", ":"))


# --- request decoding --------------------------------------------------------------------

def decode_text(raw):
    """Bytes from the client: UTF-8 when valid, else GBK (raw signature and remark texts)."""
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("gbk", "replace")


def parse_form(body):
    """application/x-www-form-urlencoded bytes to {name: text}; the first value wins."""
    form = {}
    for piece in body.split(b"&"):
        if not piece:
            continue
        name, _, value = piece.partition(b"=")
        name = decode_text(urllib.parse.unquote_to_bytes(name.replace(b"+", b" ")))
        value = decode_text(urllib.parse.unquote_to_bytes(value.replace(b"+", b" ")))
        form.setdefault(name, value)
    return form


def parse_query(query):
    args = {}
    for name, value in urllib.parse.parse_qsl(query, keep_blank_values=True, errors="replace"):
        args.setdefault(name, value)
    return args


def parse_cookies(header):
    cookies = {}
    for piece in (header or "").split(";"):
        name, eq, value = piece.strip().partition("=")
        if name and eq:
            cookies.setdefault(name, value)
    return cookies


def json_object(text):
    """The r= value as a dict, or None when it is not a JSON object."""
    try:
        value = json.loads(text)
    except (ValueError, TypeError):
        return None
    return value if isinstance(value, dict) else None


# --- pictures --------------------------------------------------------------------------

def png(width, height, pixel):
    """A real RGB PNG; pixel(x, y) gives (r, g, b)."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


# 5x7 glyphs, one 5-bit row per entry, for the captcha picture.
_GLYPHS = {
    "A": (14, 17, 17, 31, 17, 17, 17), "B": (30, 17, 17, 30, 17, 17, 30),
    "C": (14, 17, 16, 16, 16, 17, 14), "D": (30, 17, 17, 17, 17, 17, 30),
    "E": (31, 16, 16, 30, 16, 16, 31), "F": (31, 16, 16, 30, 16, 16, 16),
    "G": (14, 17, 16, 23, 17, 17, 15), "H": (17, 17, 17, 31, 17, 17, 17),
    "I": (14, 4, 4, 4, 4, 4, 14), "J": (7, 2, 2, 2, 2, 18, 12),
    "K": (17, 18, 20, 24, 20, 18, 17), "L": (16, 16, 16, 16, 16, 16, 31),
    "M": (17, 27, 21, 21, 17, 17, 17), "N": (17, 17, 25, 21, 19, 17, 17),
    "O": (14, 17, 17, 17, 17, 17, 14), "P": (30, 17, 17, 30, 16, 16, 16),
    "Q": (14, 17, 17, 17, 21, 18, 13), "R": (30, 17, 17, 30, 20, 18, 17),
    "S": (15, 16, 16, 14, 1, 1, 30), "T": (31, 4, 4, 4, 4, 4, 4),
    "U": (17, 17, 17, 17, 17, 17, 14), "V": (17, 17, 17, 17, 17, 10, 4),
    "W": (17, 17, 17, 21, 21, 21, 10), "X": (17, 17, 10, 4, 10, 17, 17),
    "Y": (17, 17, 10, 4, 4, 4, 4), "Z": (31, 1, 2, 4, 8, 16, 31),
    "0": (14, 17, 19, 21, 25, 17, 14), "1": (4, 12, 4, 4, 4, 4, 14),
    "2": (14, 17, 1, 2, 4, 8, 31), "3": (31, 2, 4, 2, 1, 17, 14),
    "4": (2, 6, 10, 18, 31, 2, 2), "5": (31, 16, 30, 1, 1, 17, 14),
    "6": (6, 8, 16, 30, 17, 17, 14), "7": (31, 1, 2, 4, 8, 8, 8),
    "8": (14, 17, 17, 14, 17, 17, 14), "9": (14, 17, 17, 15, 1, 2, 12),
}
_UNKNOWN_GLYPH = (31, 17, 17, 17, 17, 17, 31)


def captcha_png(code, scale=5):
    """The code drawn in dark blue on a pale background, so a person can read it in the demo."""
    glyphs = [_GLYPHS.get(ch.upper(), _UNKNOWN_GLYPH) for ch in code]
    width, height = (len(glyphs) * 6 + 3) * scale, 11 * scale

    def pixel(x, y):
        gx, gy = x // scale - 2, y // scale - 2
        slot, col = divmod(gx, 6)
        if 0 <= gx and 0 <= gy < 7 and slot < len(glyphs) and col < 5:
            if glyphs[slot][gy] >> (4 - col) & 1:
                return (20, 40, 140)
        return (235, 240, 225) if (x + y) % 7 else (210, 220, 200)

    return png(width, height, pixel)


def avatar_png(uin):
    seed = zlib.crc32(str(uin).encode())
    colour = (seed & 0xFF, seed >> 8 & 0xFF, seed >> 16 & 0xFF)
    return png(40, 40, lambda x, y: colour if 4 <= x < 36 and 4 <= y < 36 else (255, 255, 255))
