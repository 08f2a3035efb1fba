#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary staging directory with `meson install --destdir`,
# checks that every file of the program is there and sound, then removes it again with
# `ninja uninstall` and checks that nothing of it is left.
#
#   check-install.py BUILD_ROOT LINGUAS BINDIR DATADIR MANDIR LOCALEDIR
#
# LINGUAS is po/LINGUAS, the languages with a catalogue; the directories are absolute, as
# configured (under the prefix).
import gettext
import os
import shutil
import subprocess
import sys
import tempfile

APP_ID = 'io.github.alimora.Alimora'


def expected_files(bindir, datadir, mandir, localedir, languages):
    files = [
        f'{bindir}/alimora',
        f'{bindir}/alimora-report',
        f'{bindir}/alimora-foods',
        f'{datadir}/alimora/food.db',
        f'{datadir}/applications/{APP_ID}.desktop',
        f'{datadir}/metainfo/{APP_ID}.metainfo.xml',
        f'{datadir}/icons/hicolor/scalable/apps/{APP_ID}.svg',
        f'{datadir}/icons/hicolor/symbolic/apps/{APP_ID}-symbolic.svg',
        f'{mandir}/man1/alimora.1',
        f'{mandir}/man1/alimora-report.1',
        f'{mandir}/man1/alimora-foods.1',
    ]
    files += [f'{localedir}/{lang}/LC_MESSAGES/alimora.mo' for lang in languages]
    return files


class Check:
    def __init__(self):
        self.failures = 0

    def expect(self, ok, what):
        print(f'{"ok" if ok else "FAIL"}: {what}')
        if not ok:
            self.failures += 1


def read(path, mode='r'):
    with open(path, mode, **({} if 'b' in mode else {'encoding': 'utf-8'})) as f:
        return f.read()


def check_contents(check, staged, bindir, datadir, localedir, languages):
    for program in ('alimora', 'alimora-report', 'alimora-foods'):
        path = staged(f'{bindir}/{program}')
        check.expect(os.access(path, os.X_OK) and read(path, 'rb')[:4] == b'\x7fELF',
                     f'{program} is an executable program')
    check.expect(read(staged(f'{datadir}/alimora/food.db'), 'rb')[:16] == b'SQLite format 3\0',
                 'food.db is an SQLite database')
    desktop = read(staged(f'{datadir}/applications/{APP_ID}.desktop'))
    check.expect(f'Icon={APP_ID}\n' in desktop and 'Exec=alimora\n' in desktop,
                 'the desktop file starts alimora with its icon')
    for lang in languages:
        check.expect(f'Comment[{lang}]=' in desktop, f'the desktop file has a {lang} comment')
    metainfo = read(staged(f'{datadir}/metainfo/{APP_ID}.metainfo.xml'))
    check.expect(f'<launchable type="desktop-id">{APP_ID}.desktop</launchable>' in metainfo,
                 'the metainfo launches the installed desktop file')
    for kind in ('scalable', 'symbolic'):
        suffix = '-symbolic' if kind == 'symbolic' else ''
        svg = read(staged(f'{datadir}/icons/hicolor/{kind}/apps/{APP_ID}{suffix}.svg'))
        check.expect('<svg' in svg, f'the {kind} icon is an SVG image')
    for lang in languages:
        with open(staged(f'{localedir}/{lang}/LC_MESSAGES/alimora.mo'), 'rb') as f:
            catalogue = gettext.GNUTranslations(f)
        check.expect(catalogue.gettext('Daily Budget') != 'Daily Budget',
                     f'the {lang} catalogue translates the program')


def main(argv):
    if len(argv) != 7:
        print('usage: check-install.py BUILD_ROOT LINGUAS BINDIR DATADIR MANDIR LOCALEDIR',
              file=sys.stderr)
        return 2
    build_root, linguas, bindir, datadir, mandir, localedir = argv[1:7]
    languages = [word for line in read(linguas).splitlines() if not line.startswith('#')
                 for word in line.split()]
    files = expected_files(bindir, datadir, mandir, localedir, languages)
    check = Check()

    # The install log tells `ninja uninstall` what to remove: keep the one of a real
    # installation from this build directory, whatever happens here.
    log = os.path.join(build_root, 'meson-logs', 'install-log.txt')
    saved_log = read(log, 'rb') if os.path.exists(log) else None
    destdir = tempfile.mkdtemp(prefix='alimora-install-')
    try:
        def staged(path):
            return destdir + path

        result = subprocess.run(['meson', 'install', '-C', build_root, '--destdir', destdir,
                                 '--no-rebuild', '--quiet'], capture_output=True, text=True)
        check.expect(result.returncode == 0, 'meson install --destdir succeeds')
        if result.returncode != 0:
            print(result.stdout + result.stderr)
            return 1
        for path in files:
            check.expect(os.path.isfile(staged(path)), f'installed {path}')
        if check.failures == 0:
            check_contents(check, staged, bindir, datadir, localedir, languages)

        # Installed for one user (prefix ~/.local), the food database shares its directory
        # with the user's own log: uninstalling must leave the log alone.
        user_log = staged(f'{datadir}/alimora/log.db')
        os.makedirs(os.path.dirname(user_log), exist_ok=True)
        with open(user_log, 'wb') as f:
            f.write(b'the food log of a user')
        result = subprocess.run(['ninja', '-C', build_root, 'uninstall'], capture_output=True,
                                text=True)
        check.expect(result.returncode == 0, 'ninja uninstall succeeds')
        if result.returncode != 0:
            print(result.stdout + result.stderr)
        check.expect(os.path.isfile(user_log) and read(user_log, 'rb') == b'the food log of a user',
                     "ninja uninstall keeps the user's log beside the food database")
        left = [os.path.join(d, f) for d, _, names in os.walk(destdir) for f in names]
        left = [os.path.relpath(path, destdir) for path in left if path != user_log]
        check.expect(not left, 'ninja uninstall removes every installed file')
        for path in left:
            print('  left behind: /' + path)
    finally:
        shutil.rmtree(destdir, ignore_errors=True)
        if saved_log is None:
            if os.path.exists(log):
                os.remove(log)
        else:
            with open(log, 'wb') as f:
                f.write(saved_log)
    print(f'{check.failures} failed')
    return 1 if check.failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
