#!/usr/bin/env python3
"""Checks the editor's layering: one folder is one library, and includes and
links point only downward.

Each folder under src/ is a CMake library named clipvex_<folder>, declared in
the folder's own CMakeLists.txt together with the libraries it links. This
script fails (exit status 1, one line per finding) when
  - a folder under src/ has no CMakeLists.txt of its own, or its library adds
    sources of another folder;
  - a library links one that is not below it in LAYERS (sideways, upward or
    in a circle), or a library of the tools that SRC_TOOL_LINKS does not
    give it;
  - a file includes a header of a folder its library does not link, directly
    or through the libraries it links;
  - a plain C++ folder includes a Qt header or links Qt;
  - the command-line tools and the preview game include or link anything of
    the editor but the converter library (tools/demfmt) and the PCX codec;
  - the window layer carries form names: a class or file of src/ui or
    src/dialogs named T..._form or ..._main, or a class with a numbered
    default name (Form1); or the main window's own file reaches 400 lines.

Usage: check-layers.py SOURCE_DIR
"""

import re
import sys
from pathlib import Path

# Bottom to top. Every library may link only libraries listed before it.
LAYERS = [
    "imaging",  # PCX codec, shared with the preview game
    "settings",  # the settings record, its store and rules
    "document",  # the demo, dump text, numbers, times, conversion
    "strip",  # strip state, navigation, thumbnail names and files, window layout
    "editing",  # clipboard, reverse, text insertion, the journal and steps
    "effects",  # speed, colour fade, search, the block viewer's rules
    "preview",  # screenshot runs, playback, game control
    "live",  # live pictures: the blocks replayed by the preview game's core, events
    "dialogs",  # every dialog window (Qt)
    "ui",  # main window, controllers, film strips, program start (Qt)
]
QT_LAYERS = {"dialogs", "ui"}

# The libraries of the tools that an editor library may link: the converter's
# for the demo's files, and the preview game's core for the live pictures.
TOOL_TARGETS = {"demfmt", "demogen_lib", "winquake_core", "winquake_data", "winquake_widget"}
SRC_TOOL_LINKS = {
    "document": {"demfmt"},
    "live": {"winquake_core"},
}

# What the tools may use of src/: folder -> allowed src folders.
TOOLS = {
    "demfmt": set(),
    "lmpc": set(),
    "demogen": set(),
    "winquake": {"imaging"},
}
# The libraries each tool's plain C++ targets may link.
TOOL_LINKS = {
    "demfmt": set(),
    "lmpc": {"demfmt"},
    "demogen_lib": {"demfmt"},
    "demogen": {"demogen_lib"},
    "winquake_core": {"demfmt", "clipvex_imaging"},
}

SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.MULTILINE)
QT_HEADER = re.compile(r"^(Q[A-Z]\w*|Qt\w*/.*|q\w+\.h)$")
COMMAND = re.compile(r"\b(add_library|target_link_libraries|target_sources)\s*\(([^)]*)\)", re.DOTALL)
KEYWORDS = {"PUBLIC", "PRIVATE", "INTERFACE", "STATIC", "SHARED", "OBJECT"}


def strip_comments(cmake):
    return "\n".join(line.split("#", 1)[0] for line in cmake.splitlines())


def cmake_commands(path):
    """(command, first argument, other arguments) of the commands that make
    and link targets, with the arguments of if() branches flattened."""
    text = strip_comments(path.read_text())
    for match in COMMAND.finditer(text):
        words = match.group(2).split()
        if words:
            yield match.group(1), words[0], [w for w in words[1:] if w not in KEYWORDS]


def sources(folder):
    return sorted(p for p in folder.rglob("*") if p.suffix in SOURCE_SUFFIXES and p.is_file())


def includes(path):
    text = path.read_text(errors="replace")
    return [(m.group(1), m.group(2)) for m in INCLUDE.finditer(text)]


def check_src(root, problems):
    src = root / "src"
    rank = {name: i for i, name in enumerate(LAYERS)}
    links = {}
    for folder in sorted(p for p in src.iterdir() if p.is_dir()):
        name = folder.name
        if name not in rank:
            problems.append(f"src/{name}: a folder that is no layer (add it to LAYERS in {Path(__file__).name})")
            continue
        cmake = folder / "CMakeLists.txt"
        if not cmake.exists():
            problems.append(f"src/{name}: no CMakeLists.txt of its own")
            continue
        library = f"clipvex_{name}"
        made = False
        links[name] = set()
        for command, target, args in cmake_commands(cmake):
            if command == "add_library" and target == library:
                made = True
            if command in ("add_library", "target_sources"):
                for arg in args:
                    if "/" in arg and not arg.startswith("${CMAKE_CURRENT"):
                        problems.append(f"src/{name}/CMakeLists.txt: {target} takes a source of another folder: {arg}")
            if command == "target_link_libraries" and target == library:
                for arg in args:
                    if arg.startswith("clipvex_"):
                        links[name].add(arg[len("clipvex_") :])
                    elif arg.startswith("Qt") and name not in QT_LAYERS:
                        problems.append(f"src/{name}/CMakeLists.txt: a plain C++ library links {arg}")
                    elif arg in TOOL_TARGETS and arg not in SRC_TOOL_LINKS.get(name, set()):
                        problems.append(f"src/{name}/CMakeLists.txt: links {arg} of the tools")
        if not made:
            problems.append(f"src/{name}/CMakeLists.txt: does not make the library {library}")
    # The root CMakeLists.txt only adds the folders.
    for command, target, args in cmake_commands(src / "CMakeLists.txt"):
        if command in ("add_library", "target_sources"):
            problems.append(f"src/CMakeLists.txt: {command}({target} ...) belongs in a folder's own CMakeLists.txt")

    for name, used in links.items():
        for lower in sorted(used):
            if lower not in rank:
                problems.append(f"src/{name}: links clipvex_{lower}, which is no layer")
            elif rank[lower] >= rank[name]:
                problems.append(f"src/{name}: links clipvex_{lower}, which is not below it")

    def reach(name, seen):
        for lower in links.get(name, ()):
            if lower not in seen and rank.get(lower, len(LAYERS)) < rank[name]:
                seen.add(lower)
                reach(lower, seen)
        return seen

    for name in links:
        allowed = reach(name, {name})
        for path in sources(src / name):
            rel = path.relative_to(root)
            for kind, header in includes(path):
                if kind == "<":
                    if name not in QT_LAYERS and QT_HEADER.match(header):
                        problems.append(f"{rel}: includes the Qt header <{header}> in a plain C++ folder")
                    continue
                top = header.split("/", 1)[0] if "/" in header else None
                if top is None or top not in rank:
                    continue
                if top not in allowed:
                    where = "above it" if rank[top] > rank[name] else "it does not link"
                    problems.append(f'{rel}: includes "{header}" from src/{top}, {where}')


def check_tools(root, problems):
    tools = root / "tools"
    src_folders = {p.name for p in (root / "src").iterdir() if p.is_dir()}
    for tool, allowed in TOOLS.items():
        folder = tools / tool
        if not folder.is_dir():
            continue
        for path in sources(folder):
            rel = path.relative_to(root)
            for kind, header in includes(path):
                top = header.split("/", 1)[0] if "/" in header else None
                if kind == '"' and top in src_folders and top not in allowed:
                    problems.append(f'{rel}: includes "{header}" of the editor')
        cmake = folder / "CMakeLists.txt"
        if not cmake.exists():
            continue
        for command, target, args in cmake_commands(cmake):
            if command != "target_link_libraries" or target not in TOOL_LINKS:
                continue
            for arg in args:
                if (arg.startswith("clipvex_") or arg in TOOL_LINKS) and arg not in TOOL_LINKS[target]:
                    problems.append(f"tools/{tool}/CMakeLists.txt: {target} links {arg}")
                if arg.startswith("Qt"):
                    problems.append(f"tools/{tool}/CMakeLists.txt: the plain C++ target {target} links {arg}")


FORM_NAME = re.compile(r"^T\w+_form$|_main$|^(Form|Unit)\d+$")
CLASS = re.compile(r"^\s*(?:class|struct)\s+(\w+)\s*(?:final\s*)?[:{]", re.MULTILINE)
MAIN_WINDOW_LIMIT = 400


def check_window_layer(root, problems):
    for name in ("ui", "dialogs"):
        for path in sources(root / "src" / name):
            rel = path.relative_to(root)
            if FORM_NAME.search(path.stem):
                problems.append(f"{rel}: a file named like a form")
            for cls in CLASS.findall(path.read_text(errors="replace")):
                if FORM_NAME.search(cls):
                    problems.append(f"{rel}: the class {cls} is named like a form")
    main_window = root / "src" / "ui" / "mainwindow.cpp"
    if main_window.exists():
        lines = len(main_window.read_text().splitlines())
        if lines >= MAIN_WINDOW_LIMIT:
            problems.append(f"src/ui/mainwindow.cpp: {lines} lines; the window wires its controllers in fewer than {MAIN_WINDOW_LIMIT}")


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    root = Path(sys.argv[1]).resolve()
    problems = []
    check_src(root, problems)
    check_tools(root, problems)
    check_window_layer(root, problems)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} layering problem(s)")
        return 1
    print("layers: every include and link points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
