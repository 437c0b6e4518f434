#!/usr/bin/env python3
"""The page's fonts: IPA P Gothic cut to the characters the game and its page can show, and a
second cut to the few the start-up box shows, which is all the page needs before that box.

The IPA Font License lets a derived font be shipped under its own name (never the IPA name)
with the licence and a way back to the original; this writes the subsets under the names
KazuroiGothic and KazuroiBox, and the licence with a notice of how they were made beside it.
The page is written into the site with the box font's characters as its unicode-range.

Usage: make_font.py ORIGINAL.ttf COPYRIGHT SITE_DIR BOX_TEXT PAGE SOURCE...
"""
import os
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


def subset_font(original, text, family, out):
    options = subset.Options()
    options.flavor = "woff2"
    options.layout_features = ["*"]
    options.name_IDs = [0, 1, 2, 3, 4, 5, 6]
    font = TTFont(original)
    subsetter = subset.Subsetter(options)
    subsetter.populate(text=text)
    subsetter.subset(font)
    for record in font["name"].names:
        if record.nameID in (1, 4, 16):
            record.string = family
        elif record.nameID in (3, 6):
            record.string = family + "-Regular"
    font.flavor = "woff2"
    font.save(out)


def unicode_range(text):
    return ", ".join(f"U+{ord(c):04X}" for c in sorted(set(text)))


def main():
    if len(sys.argv) < 7:
        sys.exit(__doc__)
    original, copyright_file, site, box, page, *sources = sys.argv[1:]
    subset_font(original, characters([page] + sources), FAMILY, os.path.join(site, "kazuroi-gothic.woff2"))
    # With the space the box font is the first one a line of the box can take its height from:
    # without it the browser's own font sets the box's lines until the page's font is in, and
    # the box shrinks under the player's eyes.
    box += " "
    subset_font(original, box, "KazuroiBox", os.path.join(site, "kazuroi-box.woff2"))
    with open(page, encoding="utf-8") as f:
        html = f.read().replace("@BOX_RANGE@", unicode_range(box))
    with open(os.path.join(site, "index.html"), "w", encoding="utf-8") as f:
        f.write(html)
    with open(os.path.join(site, "FONT-LICENSE.txt"), "w", encoding="utf-8") as f:
        f.write(
            "kazuroi-gothic.woff2 and kazuroi-box.woff2 (font names KazuroiGothic and KazuroiBox)\n"
            "are Derived Programs of IPA P Gothic (ipagp.ttf, Debian package fonts-ipafont-gothic):\n"
            "the same glyphs, cut to the characters this page can show (and to those of its first\n"
            "box), under other names. They are licensed under the IPA Font License below. To use\n"
            "the original instead, put ipagp.ttf beside index.html and change the fonts' urls in\n"
            "index.html to it.\n\n" + licence(copyright_file)
        )


if __name__ == "__main__":
    main()
