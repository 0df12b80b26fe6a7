#!/usr/bin/env python3
"""An RTF reader of its own, apart from the client's: prints the text of an RTF file as runs of one
format, one run a line: the text (paragraph ends as \\n), a tab, "b" when bold or "-", a tab, and the
colour as #rrggbb or "auto". It knows groups, the colour table, \\b, \\cf, \\plain, \\pard, \\par,
\\line, \\tab, \\'hh in the document's code page, \\uN with \\ucN fallback skipping, and skips the
font table, the style sheet, document information and \\* destinations."""
import re
import sys

TOKEN = re.compile(rb"\\([a-zA-Z]+)(-?\d+)? ?|\\'([0-9a-fA-F]{2})|\\(.)|([{}])|([^\\{}\r\n]+)|[\r\n]+", re.S)
SKIPPED = {b"fonttbl", b"stylesheet", b"info", b"pict", b"object", b"header", b"footer", b"listtable",
           b"listoverridetable", b"pntext", b"listtext", b"pn"}


def runs(data):
    codepage = "cp1252"
    colours = []
    out = []  # [text, bold, colour]
    state = {"bold": False, "cf": 0, "skip": False, "uc": 1, "colortbl": False}
    stack = []
    pending_skip = 0
    colour = [0, 0, 0]
    colour_set = False

    def emit(text):
        bold = state["bold"]
        cf = state["cf"]
        c = colours[cf] if 0 < cf < len(colours) and colours[cf] else "auto"
        if out and out[-1][1] == bold and out[-1][2] == c:
            out[-1][0] += text
        else:
            out.append([text, bold, c])

    group_start = False
    for m in TOKEN.finditer(data):
        word, arg, hexbyte, symbol, brace, text = m.groups()
        if brace == b"{":
            stack.append(dict(state))
            group_start = True
            continue
        if brace == b"}":
            if state["colortbl"] and colour_set:
                colours.append("#%02x%02x%02x" % tuple(colour))
            state = stack.pop() if stack else state
            group_start = False
            continue
        first = group_start
        group_start = False
        if state["colortbl"]:
            if word in (b"red", b"green", b"blue"):
                colour[[b"red", b"green", b"blue"].index(word)] = int(arg or 0)
                colour_set = True
            elif text is not None or symbol is not None:
                for ch in (text or b""):
                    if ch == ord(";"):
                        colours.append("#%02x%02x%02x" % tuple(colour) if colour_set else None)
                        colour, colour_set = [0, 0, 0], False
            continue
        if symbol == b"*" and first:
            state["skip"] = True
            continue
        if word is not None:
            if first and word in SKIPPED:
                state["skip"] = True
            if word == b"colortbl":
                state["colortbl"] = True
                state["skip"] = True
                colours, colour, colour_set = [], [0, 0, 0], False
                continue
            if state["skip"]:
                continue
            n = int(arg) if arg is not None else None
            if word == b"ansicpg":
                codepage = "cp%d" % n
            elif word == b"b":
                state["bold"] = n != 0
            elif word == b"cf":
                state["cf"] = n or 0
            elif word == b"plain":
                state["bold"], state["cf"] = False, 0
            elif word == b"uc":
                state["uc"] = n
            elif word == b"u":
                emit(chr(n & 0xFFFF if n >= 0 else n + 65536))
                pending_skip = state["uc"]
            elif word in (b"par", b"line"):
                emit("\n")
            elif word == b"tab":
                emit("\t")
            continue
        if state["skip"]:
            continue
        if hexbyte is not None:
            if pending_skip:
                pending_skip -= 1
                continue
            emit(bytes([int(hexbyte, 16)]).decode(codepage))
            continue
        if symbol is not None:
            if symbol in (b"\\", b"{", b"}"):
                emit(symbol.decode())
            elif symbol == b"~":
                emit("\u00a0")
            continue
        if text:
            if pending_skip:
                skip = min(pending_skip, len(text))
                text = text[skip:]
                pending_skip -= skip
            if text:
                emit(text.decode(codepage))
    # The last paragraph end closes the document.
    if out and out[-1][0].endswith("\n"):
        out[-1][0] = out[-1][0][:-1]
        if not out[-1][0]:
            out.pop()
    return out


def main():
    data = open(sys.argv[1], "rb").read()
    for text, bold, colour in runs(data):
        sys.stdout.write("%s\t%s\t%s\n" % (text.replace("\n", "\\n"), "b" if bold else "-", colour))


if __name__ == "__main__":
    main()
