#!/usr/bin/env python3
"""Counts lines of code and of tests, leaving out blank lines and comments: C++ sources and headers
and Python files under src/ and tests/. Run from the repository's top; --files lists each file."""
import os
import sys


def cpp_lines(text):
    count, in_block = 0, False
    for line in text.splitlines():
        code, i = '', 0
        while i < len(line):
            if in_block:
                end = line.find('*/', i)
                if end < 0:
                    break
                in_block, i = False, end + 2
            elif line.startswith('//', i):
                break
            elif line.startswith('/*', i):
                in_block, i = True, i + 2
            elif line[i] == '"':
                j = i + 1
                while j < len(line) and line[j] != '"':
                    j += 2 if line[j] == '\\' else 1
                code, i = code + line[i:j + 1], j + 1
            else:
                code, i = code + line[i], i + 1
        count += bool(code.strip())
    return count


def python_lines(text):
    return sum(1 for line in text.splitlines() if line.strip() and not line.strip().startswith('#'))


def count(root, listing):
    total = 0
    for folder, _, names in sorted(os.walk(root)):
        for name in sorted(names):
            path = os.path.join(folder, name)
            if name.endswith(('.cpp', '.h')):
                lines = cpp_lines(open(path, encoding='utf-8', errors='replace').read())
            elif name.endswith('.py'):
                lines = python_lines(open(path, encoding='utf-8', errors='replace').read())
            else:
                continue
            if listing:
                print(f'{lines:6} {path}')
            total += lines
    return total


listing = '--files' in sys.argv
code, tests = count('src', listing), count('tests', listing)
print(f'code {code}, tests {tests}: tests are {tests / code:.2f} x the code')
