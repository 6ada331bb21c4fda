#!/usr/bin/env python3
"""Writes the page from its template with all that QEL needs to start
inside it: the stylesheet, the compiled program in base64 and the start
script that reads it, and the glue. The page then starts on its one
request, as soon as it is parsed; the policy names the scripts and the
stylesheet by their hashes.

  inline_page.py TEMPLATE START GLUE STYLESHEET WASM OUTPUT
"""
import base64
import hashlib
import sys


def read(path):
    with open(path, encoding="utf-8") as file:
        return file.read().strip()


def digest(text):
    return "'sha256-%s'" % base64.b64encode(hashlib.sha256(text.encode()).digest()).decode()


def checked(name, text, element):
    """The text, unless it would end its element early."""
    lower = text.lower()
    if "</" + element in lower or "<!--" in lower:
        sys.exit("inline_page.py: %s would end the page's <%s> element early" % (name, element))
    return text


def main():
    template, start, glue, stylesheet, wasm, output = sys.argv[1:]
    with open(wasm, "rb") as file:
        program = base64.b64encode(file.read()).decode()
    start = checked(start, read(start), "script")
    glue = checked(glue, read(glue), "script")
    style = checked(stylesheet, read(stylesheet), "style")
    page = read(template)
    for name, value in (("QEL_SCRIPT_HASHES", digest(start) + " " + digest(glue)),
                        ("QEL_STYLE_HASH", digest(style)),
                        ("QEL_WASM", program), ("QEL_START_SCRIPT", start), ("QEL_GLUE_SCRIPT", glue),
                        ("QEL_STYLESHEET", style)):
        page = page.replace("@%s@" % name, value)
    with open(output, "w", encoding="utf-8", newline="\n") as file:
        file.write(page + "\n")


if __name__ == "__main__":
    main()
