#!/usr/bin/env python3
"""Checks the sources' includes against the layering the build states.

Usage: check_layering.py <source root> <layering.txt written by CMake>

A file belongs to the checked target that lists it (or, for a header, the
target that builds the .cpp of the same name), else to the target with the
most sources in its folder. For every include of another target's header:
- the including target links that target, directly or through others;
- that target's subsystem is the including one's or an earlier one;
- the header is public, unless the includer is a test or benchmark of the
  same subsystem.
An exception the build names (a subsystem and a header) is let through.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
SUFFIXES = ('.h', '.hpp', '.cpp')


def read_facts(path):
    subsystems, exceptions, targets = [], set(), {}
    current = None
    with open(path) as f:
        for line in f:
            key, _, rest = line.rstrip('\n').partition(' ')
            words = rest.split()
            if key == 'subsystems':
                subsystems = rest.split(';')
            elif key == 'exception':
                exceptions.add((words[0], words[1]))
            elif key == 'target':
                current = {'name': words[0], 'type': words[1], 'public': set(),
                           'links': set(), 'sources': set(), 'folder': ''}
                targets[words[0]] = current
            elif key == 'folder':
                current['folder'] = rest
            elif key == 'public':
                current['public'] = {os.path.normpath(os.path.join(current['folder'], h))
                                     for h in rest.split(';')}
            elif key == 'links':
                for link in rest.split(';'):
                    m = re.fullmatch(r'\$<LINK_ONLY:(.*)>', link)
                    current['links'].add(m.group(1) if m else link)
            elif key == 'source':
                current['sources'].add(rest)
    return subsystems, exceptions, targets


def subsystem_of(folder, subsystems):
    parts = folder.split('/')
    if parts[0] in ('tests', 'bench') and len(parts) > 1:
        return parts[1], True
    return parts[0], False


def main(root, facts):
    subsystems, exceptions, targets = read_facts(facts)
    order = {s: i for i, s in enumerate(subsystems)}

    def closure(name):
        seen, todo = set(), [name]
        while todo:
            t = todo.pop()
            for link in targets.get(t, {}).get('links', ()):
                if link in targets and link not in seen:
                    seen.add(link)
                    todo.append(link)
        return seen

    checked = {n: t for n, t in targets.items() if t['folder'] != '-'}
    # Files to targets: listed sources, then headers by their .cpp, then the
    # folder's targets (the biggest owns its headers; the includes must suit
    # one of them).
    owner = {}
    for t in checked.values():
        for s in t['sources']:
            owner[os.path.relpath(s, root)] = t['name']
    for path, name in list(owner.items()):
        stem, ext = os.path.splitext(path)
        if ext == '.cpp':
            for h in ('.h', '.hpp'):
                owner.setdefault(stem + h, name)
    for t in checked.values():
        for h in t['public']:
            owner[h] = t['name']
    by_folder = {}
    for t in sorted(checked.values(), key=lambda t: (-len(t['sources']), t['name'])):
        by_folder.setdefault(t['folder'], []).append(t['name'])

    def folder_targets(path):
        d = os.path.dirname(path)
        while d:
            if d in by_folder:
                return by_folder[d]
            d = os.path.dirname(d)
        return []

    files = []
    for folder in sorted({t['folder'] for t in checked.values()}):
        for base, dirs, names in os.walk(os.path.join(root, folder)):
            dirs[:] = [d for d in dirs if not d.startswith(('build', '.'))]
            for n in names:
                if n.endswith(SUFFIXES):
                    files.append(os.path.relpath(os.path.join(base, n), root))
    files = sorted(set(files))
    candidates = {}
    for path in files:
        candidates[path] = [owner[path]] if path in owner else folder_targets(path)
        if path not in owner and candidates[path]:
            owner[path] = candidates[path][0]

    crossings = 0

    def faults(path, me, text):
        nonlocal crossings
        my_sub, is_test = subsystem_of(targets[me]['folder'], subsystems)
        links = closure(me)
        errors = []
        for m in INCLUDE.finditer(text):
            inc = os.path.normpath(m.group(1))
            line = text.count('\n', 0, m.start()) + 1
            if not os.path.isfile(os.path.join(root, inc)):
                continue
            lib = owner.get(inc)
            if lib is None or lib == me:
                continue
            if subsystem_of(targets[lib]['folder'], subsystems)[1]:
                continue  # test helpers are no library
            crossings += 1
            if (my_sub, inc) in exceptions:
                continue
            where = f'{path}:{line}: {me} includes "{inc}" of {lib}'
            lib_sub = subsystem_of(targets[lib]['folder'], subsystems)[0]
            if lib not in links:
                errors.append(f'{where}, which it does not link')
            if order.get(lib_sub, -1) > order.get(my_sub, len(order)):
                errors.append(f'{where}, a later subsystem ({lib_sub} comes after {my_sub})')
            if inc not in targets[lib]['public'] and not (is_test and lib_sub == my_sub):
                errors.append(f'{where}, an internal header of {lib} '
                              f'(public ones are listed by morvelin_layer in {targets[lib]["folder"]}/CMakeLists.txt)')
        return errors

    errors = []
    for path in files:
        with open(os.path.join(root, path), errors='replace') as f:
            text = f.read()
        found = [faults(path, me, text) for me in candidates[path]]
        if found and all(found):
            errors += found[0]
    unknown = sorted(h for t in checked.values() for h in t['public']
                     if not os.path.isfile(os.path.join(root, h)))
    for h in unknown:
        errors.append(f'public header {h} does not exist')
    if not crossings:
        errors.append('no include of another library found: the source root or the facts are wrong')
    for e in errors:
        print(e)
    print(f'{len(files)} files of {len(checked)} targets checked, {len(errors)} layering faults')
    return 1 if errors else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2]))
