#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the message catalogues against a template made afresh from the sources: complete,
# nothing fuzzy, format directives intact, and the program's own rules for its texts.
#
#   check-catalogues.py SOURCE_ROOT [PO_DIR]
#
# PO_DIR (default SOURCE_ROOT/po) holds POTFILES.in, LINGUAS and the .po files. Exits 0
# when every catalogue passes, 1 otherwise, after naming every problem.
import gettext
import os
import re
import subprocess
import sys
import tempfile

# The xgettext options of Meson's 'glib' preset, which builds the project's template.
XGETTEXT_ARGS = [
    '--from-code=UTF-8', '--add-comments', '-k_',
    '--keyword=_', '--keyword=N_', '--keyword=C_:1c,2', '--keyword=NC_:1c,2',
    '--keyword=g_dcgettext:2', '--keyword=g_dngettext:2,3', '--keyword=g_dpgettext2:2c,3',
    '--flag=N_:1:pass-c-format', '--flag=C_:2:pass-c-format', '--flag=NC_:2:pass-c-format',
    '--flag=g_dngettext:2:pass-c-format', '--flag=g_strdup_printf:1:c-format',
    '--flag=g_string_printf:2:c-format', '--flag=g_string_append_printf:2:c-format',
    '--flag=g_snprintf:3:c-format',
]

# A printf conversion, as the C library reads it.
DIRECTIVE = re.compile(r'%(\d+\$)?[-+ #0\']*(\d+|\*)?(\.(\d+|\*))?(hh|h|ll|l|L|q|j|z|t)?'
                       r'[diouxXeEfFgGaAcspm%]')
# A use of the translation macros in C or C++ source.
MARKED = re.compile(r'\bN?_\(\s*"')

# Texts of the plain-text budget report and the room the report gives them.
REPORT_UNITS = ['c ', 'oz', 'g ']  # exactly two characters
REPORT_NAMES = ['Vegetables', 'Fruits', 'Grains', 'Dairy', 'Protein Foods', 'Oils',
                'Food Group']     # at most 20 characters
REPORT_HEADINGS = ['Budget', 'Consumed', 'Remaining',  # at most 10 characters
                   'Average', 'Days met', 'Days over',  # of the range summary
                   'Veg. (c)', 'Fruit (c)', 'Grain (oz)', 'Dairy (c)', 'Prot. (oz)', 'Oil (g)']
DESKTOP_KEYWORDS = re.compile(r'^[^;]+(;[^;]+)*;$')


class Checker:
    def __init__(self, source_root, po_dir):
        self.source_root = source_root
        self.po_dir = po_dir
        self.problems = []

    def fail(self, text):
        self.problems.append(text)

    def run(self, *args, **kwargs):
        return subprocess.run(list(args), capture_output=True, text=True, **kwargs)

    def listed_files(self):
        path = os.path.join(self.po_dir, 'POTFILES.in')
        with open(path, encoding='utf-8') as f:
            return [line.strip() for line in f if line.strip() and not line.startswith('#')]

    def check_potfiles(self):
        listed = self.listed_files()
        if listed != sorted(listed):
            self.fail('POTFILES.in is not sorted')
        if len(set(listed)) != len(listed):
            self.fail('POTFILES.in names a file twice')
        for name in listed:
            if not os.path.isfile(os.path.join(self.source_root, name)):
                self.fail(f'POTFILES.in names {name}, which does not exist')
        src = os.path.join(self.source_root, 'src')
        for directory, _, files in os.walk(src):
            for file in files:
                if not file.endswith(('.cc', '.h')):
                    continue
                path = os.path.join(directory, file)
                with open(path, encoding='utf-8') as f:
                    marked = MARKED.search(f.read())
                name = os.path.relpath(path, self.source_root)
                if marked and name not in listed:
                    self.fail(f'{name} has translatable text but is not in POTFILES.in')

    def make_template(self, directory):
        pot = os.path.join(directory, 'alimora.pot')
        result = self.run('xgettext', '--package-name=alimora',
                          '-f', os.path.join(self.po_dir, 'POTFILES.in'),
                          '-D', self.source_root, '-o', pot, *XGETTEXT_ARGS)
        if result.returncode != 0:
            self.fail('xgettext failed: ' + result.stderr.strip())
            return None
        return pot

    def check_template_flags(self, pot):
        # Every message with a conversion must be checked as a C format.
        compiled = os.path.join(os.path.dirname(pot), 'flags.po')
        result = self.run('msgattrib', '--no-wrap', '-o', compiled, pot)
        if result.returncode != 0:
            self.fail('msgattrib failed on the template: ' + result.stderr.strip())
            return 0
        count = 0
        for flags, msgid in read_entries(compiled):
            if msgid == '':
                continue
            count += 1
            if DIRECTIVE.search(msgid) and 'c-format' not in flags:
                self.fail(f'template: {msgid!r} has a conversion but is not marked c-format')
        return count

    def languages(self):
        with open(os.path.join(self.po_dir, 'LINGUAS'), encoding='utf-8') as f:
            return [word for line in f if not line.startswith('#') for word in line.split()]

    def check_catalogue(self, lang, pot, directory):
        po = os.path.join(self.po_dir, lang + '.po')
        if not os.path.isfile(po):
            self.fail(f'{lang}: {lang}.po is missing')
            return
        result = self.run('msgfmt', '--check', '-o', os.devnull, po)
        if result.returncode != 0:
            self.fail(f'{lang}: msgfmt --check {lang}.po:\n{result.stderr.strip()}')

        merged = os.path.join(directory, lang + '.po')
        result = self.run('msgmerge', '--quiet', '--no-wrap', '-o', merged, po, pot)
        if result.returncode != 0:
            self.fail(f'{lang}: msgmerge failed: {result.stderr.strip()}')
            return
        for option, what in (('--untranslated', 'untranslated'), ('--only-fuzzy', 'fuzzy')):
            listing = os.path.join(directory, f'{lang}-{what}.po')
            self.run('msgattrib', option, '--no-obsolete', '--no-wrap', '-o', listing, merged)
            if os.path.exists(listing):
                for _, msgid in read_entries(listing):
                    if msgid:
                        self.fail(f'{lang}: {what}: {msgid!r}')

        # With the template's flags, so that a c-format entry is checked even when the
        # catalogue has lost its flag.
        mo = os.path.join(directory, lang + '.mo')
        result = self.run('msgfmt', '--check', '--statistics', '-o', mo, merged)
        if result.returncode != 0:
            self.fail(f'{lang}: msgfmt --check on the merged catalogue:\n{result.stderr.strip()}')
            return
        print(f'{lang}: {result.stderr.strip()}')
        with open(mo, 'rb') as f:
            self.check_texts(lang, gettext.GNUTranslations(f))

    def check_texts(self, lang, catalogue):
        texts = {k: v for k, v in catalogue._catalog.items() if isinstance(k, str) and k}
        for msgid, msgstr in texts.items():
            for prefix in ('alimora: ', '%s: '):
                if msgid.startswith(prefix) and not msgstr.startswith(prefix):
                    self.fail(f'{lang}: {msgstr!r} must begin with {prefix!r} like {msgid!r}')
            if '<b>' in msgid and not (msgstr.startswith('<b>') and msgstr.endswith('</b>')):
                self.fail(f'{lang}: {msgstr!r} must keep the markup of {msgid!r}')
            if DESKTOP_KEYWORDS.match(msgid) and not DESKTOP_KEYWORDS.match(msgstr):
                self.fail(f'{lang}: keywords {msgstr!r} must be a list ended by a semicolon')
        for msgids, most, exact in ((REPORT_UNITS, 2, True), (REPORT_NAMES, 20, False),
                                    (REPORT_HEADINGS, 10, False)):
            for msgid in msgids:
                if msgid not in texts:
                    self.fail(f'{lang}: report text {msgid!r} is not in the catalogue')
                    continue
                width = len(texts[msgid])
                if width > most or (exact and width != most):
                    self.fail(f'{lang}: {texts[msgid]!r} ({msgid!r}) is {width} characters wide, '
                              f'the report has room for {"exactly" if exact else "at most"} {most}')

    def check(self):
        self.check_potfiles()
        with tempfile.TemporaryDirectory(prefix='alimora-po-') as directory:
            pot = self.make_template(directory)
            if pot:
                print(f'template: {self.check_template_flags(pot)} messages')
                for lang in self.languages():
                    self.check_catalogue(lang, pot, directory)
        for problem in self.problems:
            print('FAIL ' + problem)
        return 1 if self.problems else 0


def read_entries(path):
    """(flags, msgid) of each entry of an unwrapped .po file."""
    entries = []
    flags = ''
    msgid = None
    with open(path, encoding='utf-8') as f:
        for line in f:
            if line.startswith('#,'):
                flags = line
            elif line.startswith('msgid '):
                msgid = unquote(line[6:])
            elif line.startswith('"') and msgid is not None:
                msgid += unquote(line)
            elif line.startswith('msgstr') and msgid is not None:
                entries.append((flags, msgid))
                flags, msgid = '', None
    return entries


def unquote(text):
    text = text.strip()[1:-1]
    return re.sub(r'\\(.)', lambda m: {'n': '\n', 't': '\t'}.get(m.group(1), m.group(1)), text)


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__ or 'usage: check-catalogues.py SOURCE_ROOT [PO_DIR]', file=sys.stderr)
        return 2
    source_root = os.path.abspath(argv[1])
    po_dir = os.path.abspath(argv[2]) if len(argv) == 3 else os.path.join(source_root, 'po')
    return Checker(source_root, po_dir).check()


if __name__ == '__main__':
    sys.exit(main(sys.argv))
