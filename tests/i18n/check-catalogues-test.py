#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Shows that check-catalogues.py catches the faults it is there for, on copies of the
# sources and catalogues with one fault put in each.
#
#   check-catalogues-test.py SOURCE_ROOT
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKER = os.path.join(HERE, 'check-catalogues.py')


def copy_tree(source_root, target):
    """The parts of the source tree that the checker reads."""
    shutil.copytree(os.path.join(source_root, 'src'), os.path.join(target, 'src'))
    shutil.copytree(os.path.join(source_root, 'po'), os.path.join(target, 'po'),
                    ignore=shutil.ignore_patterns('*.pot', '*.mo'))
    os.makedirs(os.path.join(target, 'data'))
    for name in os.listdir(os.path.join(source_root, 'data')):
        if name.endswith('.in'):
            shutil.copy(os.path.join(source_root, 'data', name), os.path.join(target, 'data'))


def replace_in(path, old, new):
    with open(path, encoding='utf-8') as f:
        text = f.read()
    if old not in text:
        raise AssertionError(f'{old!r} not found in {path}')
    with open(path, 'w', encoding='utf-8') as f:
        f.write(text.replace(old, new, 1))


def append_to(path, text):
    with open(path, 'a', encoding='utf-8') as f:
        f.write(text)


# (name, change to the copied tree, texts the checker's output must contain; none: it passes)
CASES = [
    ('unchanged catalogues pass', lambda root: None, None),
    ('an empty translation fails',
     lambda root: replace_in(f'{root}/po/de.po', 'msgstr "Suchen"', 'msgstr ""'),
     ["FAIL de: untranslated: 'Search'"]),
    ('a fuzzy translation fails',
     lambda root: replace_in(f'{root}/po/es.po', '\nmsgid "Search"\n', '\n#, fuzzy\nmsgid "Search"\n'),
     ["FAIL es: fuzzy: 'Search'"]),
    ('a changed format directive fails',
     lambda root: replace_in(f'{root}/po/fr.po', '"%s: impossible de créer le répertoire\\n"',
                             '"%d: impossible de créer le répertoire\\n"'),
     ['FAIL fr: msgfmt --check']),
    ('a directive of another type fails',
     lambda root: replace_in(f'{root}/po/de.po',
                             'msgstr "alimora: Datenbank »%s« kann nicht geöffnet werden: %s\\n"',
                             'msgstr "alimora: Datenbank »%1$s« kann nicht geöffnet werden: %1$d\\n"'),
     ['FAIL de: msgfmt --check']),
    ('a lost prefix fails',
     lambda root: replace_in(f'{root}/po/es.po', 'msgstr "alimora: memoria agotada\\n"',
                             'msgstr "memoria agotada\\n"'),
     ["FAIL es: 'memoria agotada\\n' must begin with 'alimora: '"]),
    ('a three-character unit fails',
     lambda root: replace_in(f'{root}/po/es.po', 'msgstr "tz"', 'msgstr "taz"'),
     ["FAIL es: 'taz' ('c ') is 3 characters wide"]),
    ('a group name wider than its column fails',
     lambda root: replace_in(f'{root}/po/de.po', 'msgstr "Proteinquellen"',
                             'msgstr "Eiweißreiche Lebensmittel"'),
     ["FAIL de: 'Eiweißreiche Lebensmittel' ('Protein Foods') is 25 characters wide"]),
    ('broken markup fails',
     lambda root: replace_in(f'{root}/po/fr.po', 'msgstr "<b>Valeur</b>"', 'msgstr "Valeur"'),
     ["FAIL fr: 'Valeur' must keep the markup"]),
    ('a new text in the code fails in every language',
     lambda root: append_to(f'{root}/src/app/main.cc',
                            '\nstatic const char *later = _("A text no catalogue has yet");\n'),
     ["FAIL de: untranslated: 'A text no catalogue has yet'",
      "FAIL es: untranslated: 'A text no catalogue has yet'",
      "FAIL fr: untranslated: 'A text no catalogue has yet'"]),
    ('a source file missing from POTFILES.in fails',
     lambda root: append_to(f'{root}/src/ui/new-dialog.cc', 'const char *t = N_("New");\n'),
     ['FAIL src/ui/new-dialog.cc has translatable text but is not in POTFILES.in']),
    ('a missing catalogue fails',
     lambda root: os.remove(f'{root}/po/fr.po'),
     ['FAIL fr: fr.po is missing']),
]


def main(argv):
    source_root = os.path.abspath(argv[1])
    failures = 0
    print(f'1..{len(CASES)}')
    for number, (name, change, expected) in enumerate(CASES, 1):
        with tempfile.TemporaryDirectory(prefix='alimora-po-test-') as root:
            copy_tree(source_root, root)
            change(root)
            result = subprocess.run([sys.executable, CHECKER, root], capture_output=True,
                                    text=True)
        output = result.stdout + result.stderr
        if expected is None:
            ok = result.returncode == 0
        else:
            ok = result.returncode == 1 and all(text in output for text in expected)
        print(f'{"ok" if ok else "not ok"} {number} - {name}')
        if not ok:
            failures += 1
            print('# exit status', result.returncode)
            for line in output.splitlines():
                print('# ' + line)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
