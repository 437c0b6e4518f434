#!/usr/bin/env python3
"""The page's font: IPA P Gothic cut to the characters the game and its page can show.

The IPA Font License lets a derived font be shipped under its own name (never the IPA name)
with the licence and a way back to the original; this writes the subset under the name
KazuroiGothic, and the licence with a notice of how it was made beside it.

Usage: make_font.py ORIGINAL.ttf COPYRIGHT OUT.woff2 OUT_LICENCE.txt SOURCE...
"""
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

FAMILY = "KazuroiGothic"


def characters(sources):
    """Every character that can reach the screen: printable ASCII and all others in the sources."""
    chars = {chr(c) for c in range(0x20, 0x7F)}
    for path in sources:
        with open(path, encoding="utf-8") as f:
            chars.update(c for c in f.read() if ord(c) > 0x7F and c.isprintable())
    return "".join(sorted(chars))


def licence(copyright_file):
    """The IPA-1 licence text from Debian's machine-readable copyright file, unfolded: the
    stand-alone paragraph whose first line is "License: IPA-1" and whose body is indented."""
    lines, inside = [], False
    with open(copyright_file, encoding="utf-8") as f:
        text = f.read().split("\n")
    for number, line in enumerate(text):
        if not inside:
            following = text[number + 1] if number + 1 < len(text) else ""
            inside = line.startswith("License: IPA-1") and following.startswith(" ")
            continue
        if not line.startswith(" "):
            break
        body = line[1:]
        lines.append("" if body == "." else body)
    if not lines:
        sys.exit("make_font.py: no IPA-1 licence in " + copyright_file)
    return "\n".join(lines).strip() + "\n"


def main():
    if len(sys.argv) < 6:
        sys.exit(__doc__)
    original, copyright_file, out_font, out_licence, *sources = sys.argv[1:]
    options = subset.Options()
    options.flavor = "woff2"
    options.layout_features = ["*"]
    options.name_IDs = [0, 1, 2, 3, 4, 5, 6]
    font = TTFont(original)
    subsetter = subset.Subsetter(options)
    subsetter.populate(text=characters(sources))
    subsetter.subset(font)
    for record in font["name"].names:
        if record.nameID in (1, 4, 16):
            record.string = FAMILY
        elif record.nameID in (3, 6):
            record.string = FAMILY + "-Regular"
    font.flavor = "woff2"
    font.save(out_font)
    with open(out_licence, "w", encoding="utf-8") as f:
        f.write(
            "kazuroi-gothic.woff2 (font name KazuroiGothic) is a Derived Program of IPA P Gothic\n"
            "(ipagp.ttf, Debian package fonts-ipafont-gothic): the same glyphs, cut to the\n"
            "characters this page can show, under another name. It is licensed under the IPA\n"
            "Font License below. To use the original instead, put ipagp.ttf beside index.html\n"
            "and change the font's url in index.html to it.\n\n" + licence(copyright_file)
        )


if __name__ == "__main__":
    main()
