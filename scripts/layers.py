#!/usr/bin/env python3
"""The folders of src/ and the includes between them.

The program is layered: common <- link <- {launch, bookmarks, rules, extras, api}
<- app. A folder includes only folders to its left, a feature folder includes
no other feature folder, and nothing includes app/. The portable core (every
source not ending in _win) never includes windows.h; the native build checks
that by compiling it without the header.

  layers.py            prints the include graph between folders and the lines
                       of code per folder, core and Win32 layer apart
  layers.py --check    prints nothing but the includes that break the rule
                       and exits 1 when there is one
"""
import collections
import os
import re
import sys

LEVEL = {'common': 0, 'link': 1, 'launch': 2, 'bookmarks': 2, 'rules': 2, 'extras': 2, 'api': 2, 'app': 3}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(root):
    for folder, _, files in os.walk(root):
        for name in sorted(files):
            if name.endswith(('.h', '.cpp')):
                yield os.path.join(folder, name)


def top(path, root):
    return os.path.relpath(path, root).split(os.sep)[0]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.join(os.path.dirname(here), 'src')
    edges = collections.Counter()
    wrong = []
    lines = collections.Counter()
    for path in sources(root):
        source = top(path, root)
        text = open(path, encoding='utf-8', errors='replace').read()
        kind = 'win' if path.endswith(('_win.cpp', '_win.h')) else 'core'
        lines[(source, kind)] += text.count('\n')
        for target_name in INCLUDE.findall(text):
            full = os.path.normpath(os.path.join(os.path.dirname(path), target_name))
            if not os.path.exists(full):
                full = os.path.normpath(os.path.join(root, target_name))
            if not os.path.exists(full):
                continue
            target = top(full, root)
            if target == source:
                continue
            edges[(source, target)] += 1
            if source not in LEVEL or target not in LEVEL or LEVEL[target] >= LEVEL[source]:
                wrong.append(f'{os.path.relpath(path, os.path.dirname(root))} -> {target_name}')
    if '--check' in sys.argv:
        for line in wrong:
            print('include against the layering:', line)
        return 1 if wrong else 0
    print('Includes between folders (from -> to: number of #include lines)')
    for (source, target), n in sorted(edges.items(), key=lambda e: (LEVEL.get(e[0][0], 9), e[0])):
        mark = '' if LEVEL.get(target, 9) < LEVEL.get(source, -1) else '   <- against the layering'
        print(f'  {source:10} -> {target:10} {n:4}{mark}')
    print('\nLines per folder (core = portable, win = Win32 layer)')
    for folder in sorted(LEVEL, key=lambda f: (LEVEL[f], f)):
        core, win = lines[(folder, 'core')], lines[(folder, 'win')]
        print(f'  {folder:10} core {core:6}  win {win:6}')
    total_core = sum(v for (f, k), v in lines.items() if k == 'core')
    total_win = sum(v for (f, k), v in lines.items() if k == 'win')
    print(f'  {"all":10} core {total_core:6}  win {total_win:6}')
    return 1 if wrong else 0


if __name__ == '__main__':
    sys.exit(main())
