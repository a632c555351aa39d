"""The toolbar strip: ten 16 x 15 pictograms in the standard 16-colour palette.

Each picture is drawn as a character map; the silver background (palette index 7)
is the colour a toolbar treats as the button face.
"""

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# Character -> index into VGA16.
KEY = {
    "k": 0, "r": 1, "g": 2, "y": 3, "b": 4, "m": 5, "c": 6, ".": 7,
    "K": 8, "R": 9, "G": 10, "Y": 11, "B": 12, "M": 13, "C": 14, "w": 15,
}

WIDTH, HEIGHT = 16, 15

EXIT = [
    "................",
    ".kkkkkkk........",
    ".kyyyyyk........",
    ".kyyyyyk........",
    ".kyyyyyk..g.....",
    ".kyyyyyk..gg....",
    ".kyyyyygggggg...",
    ".kyyyYygggggggg.",
    ".kyyyyygggggg...",
    ".kyyyyyk..gg....",
    ".kyyyyyk..g.....",
    ".kyyyyyk........",
    ".kyyyyyk........",
    ".kkkkkkk........",
    "................",
]

OPEN = [
    "................",
    "................",
    "................",
    ".kkkk...........",
    "kyyyyk..........",
    "kyyyyykkkkkkk...",
    "kyyyyyyyyyyyk...",
    "kyyykkkkkkkkkkkk",
    "kyykYYYYYYYYYYk.",
    "kyykYYYYYYYYYk..",
    "kykYYYYYYYYYYk..",
    "kykYYYYYYYYYk...",
    "kkYYYYYYYYYYk...",
    "kkkkkkkkkkkk....",
    "................",
]

NEW = [
    "................",
    "...kkkkkkk......",
    "...kwwwwwkk.....",
    "...kwwwwwkwk....",
    "...kwwwwwkwwk...",
    "...kwwwwwkkkkk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kkkkkkkkkkk..",
    "................",
]

SAVE = [
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kbwwwwwwwwwwbk.",
    ".kbwKKKKKKKKwbk.",
    ".kbwwwwwwwwwwbk.",
    ".kbwKKKKKKKKwbk.",
    ".kbwwwwwwwwwwbk.",
    ".kbbbbbbbbbbbbk.",
    ".kbbbbbbbbbbbbk.",
    ".kbbKKKKKKKKbbk.",
    ".kbbKKkkKKKKbbk.",
    ".kbbKKkkKKKKbbk.",
    ".kbbKKKKKKKKbbk.",
    ".kkkkkkkkkkkkkk.",
    "................",
]

# A route of hops from a small screen to a red target.
CONNECT = [
    "............kkk.",
    "...........kRRRk",
    "...........kRwRk",
    "...........kRRRk",
    "........kkk.kkk.",
    "........kGkbbb..",
    "........kkk.....",
    ".........b......",
    "....kkk..b......",
    "....kGkbbb......",
    "....kkk.........",
    ".....b..........",
    "kkk..b..........",
    "kCkbbb..........",
    "kkk.............",
]

# A chart of round trips over time with a red loss mark, above a bar per hop.
WATCH = [
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kwwwwwwwwwwwwk.",
    ".kwwwwwwwwRwwwk.",
    ".kwwwwbwwwRwwwk.",
    ".kwwwbwbwwRwwbk.",
    ".kwwbwwwbwRwbwk.",
    ".kwbwwwwwbRbwwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwwwwwwwwwwgwk.",
    ".kwwwwwwwgwwgwk.",
    ".kwwwwgwwgwwgwk.",
    ".kwgwwgwwgwwgwk.",
    ".kkkkkkkkkkkkkk.",
    "................",
]

PREVIEW = [
    "................",
    ".kkkkkkkk.......",
    ".kwwwwwwk.......",
    ".kwKKKKwk.......",
    ".kwwwkkkk.......",
    ".kwKkwCCwk......",
    ".kwwkCwCCk......",
    ".kwKkCCCCk......",
    ".kwwkwCCwk......",
    ".kwKwkkkkkk.....",
    ".kwwwwwwwkkk....",
    ".kkkkkkkk..kkk..",
    "............kkk.",
    ".............kk.",
    "................",
]

PRINT = [
    "................",
    "....kkkkkkk.....",
    "....kwwwwwk.....",
    "....kwKKKwk.....",
    "....kwwwwwk.....",
    ".kkkkkkkkkkkkkk.",
    ".kwwwwwwwwwwwwk.",
    ".kKKKKKKKKKKGKk.",
    ".kKKKKKKKKKKKKk.",
    ".kkkkkkkkkkkkkk.",
    "...kwwwwwwwwk...",
    "...kwKKKKKKwk...",
    "...kwwwwwwwwk...",
    "...kkkkkkkkkk...",
    "................",
]

ABOUT = [
    "................",
    ".....bbbbbb.....",
    "...bbBBBBBBbb...",
    "..bBBBBwwBBBBb..",
    "..bBBBBwwBBBBb..",
    ".bBBBBBBBBBBBBb.",
    ".bBBBBwwwBBBBBb.",
    ".bBBBBBwwBBBBBb.",
    ".bBBBBBwwBBBBBb.",
    ".bBBBBBwwBBBBBb.",
    "..bBBBBwwBBBBb..",
    "..bBBBwwwwBBBb..",
    "...bbBBBBBBbb...",
    ".....bbbbbb.....",
    "................",
]

HELP = [
    "................",
    "..kkkkkkkkkkk...",
    ".kbbbbbbbbbbbk..",
    ".kbbbbYYYYbbbk..",
    ".kbbbYYbbYYbbk..",
    ".kbbbbbbbYYbbk..",
    ".kbbbbbbYYbbbk..",
    ".kbbbbbYYbbbbk..",
    ".kbbbbbYYbbbbk..",
    ".kbbbbbbbbbbbk..",
    ".kbbbbbYYbbbbk..",
    ".kbkkkkkkkkkkk..",
    ".kwwwwwwwwwwwk..",
    "..kkkkkkkkkkkk..",
    "................",
]

# Order of the buttons that use them.
IMAGES = [EXIT, OPEN, NEW, SAVE, CONNECT, WATCH, PREVIEW, PRINT, ABOUT, HELP]


def strip_indices():
    """The palette indices of the whole strip, top row first."""
    for number, image in enumerate(IMAGES):
        if len(image) != HEIGHT or any(len(row) != WIDTH for row in image):
            raise ValueError("toolbar image %d is not %d x %d" % (number, WIDTH, HEIGHT))
    indices = []
    for y in range(HEIGHT):
        for image in IMAGES:
            indices.extend(KEY[ch] for ch in image[y])
    return indices, WIDTH * len(IMAGES), HEIGHT
