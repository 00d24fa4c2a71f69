#!/usr/bin/env python3
"""Reads the GUI dumps that the headless backend writes for a "gui" step.

  guidump.py FILE centre NAME      the centre of the element's screen rectangle: "x y"
  guidump.py FILE rowcentre TEXT   the centre of the list row with that text: "x y"
  guidump.py FILE field NAME F     one field of an element: visible, enabled, caption or rect
  guidump.py FILE rows [LIST]      every list row (or LIST's rows): "text|colour|selectable|current"
  guidump.py FILE same OTHER       whether two dumps list the same elements and rows

Exit code 1 with a message when the element or row is not there.
"""
import sys

FIELDS = {"visible": 4, "enabled": 5, "rect": 6, "caption": 7}


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"\\": "\\", "t": "\t", "n": "\n"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def lines(path):
    with open(path, encoding="latin-1") as f:
        return [line.rstrip("\n").split("\t") for line in f if line.strip()]


def centre(rect):
    left, top, right, bottom = (int(v) for v in rect.split(","))
    return "%d %d" % ((left + right) // 2, (top + bottom) // 2)


def find(path, kind, key, column):
    for fields in lines(path):
        if fields[0] == kind and unescape(fields[column]) == key:
            return fields
    sys.exit("%s: no %s %r" % (path, kind, key))


def main(argv):
    path, command, args = argv[1], argv[2], argv[3:]
    if command == "centre":
        print(centre(find(path, "element", args[0], 2)[6]))
    elif command == "rowcentre":
        row = find(path, "row", args[0], 7)
        if row[6] == "-":
            sys.exit("%s: row %r is out of sight" % (path, args[0]))
        print(centre(row[6]))
    elif command == "field":
        print(unescape(find(path, "element", args[0], 2)[FIELDS[args[1]]]))
    elif command == "rows":
        # A list's rows follow its element line.
        inside = not args
        for f in lines(path):
            if f[0] == "element" and args:
                inside = unescape(f[2]) == args[0]
            elif f[0] == "row" and inside:
                print("|".join([unescape(f[7]), f[3], f[4], f[5]]))
    elif command == "same":
        if lines(path) != lines(args[0]):
            sys.exit("%s and %s differ" % (path, args[0]))
    else:
        sys.exit("no command %r" % command)


if __name__ == "__main__":
    main(sys.argv)
