#!/usr/bin/env python3
"""Highscore server throughput on loopback: 8 clients at once, each request its own connection as
the game makes it. Prints submissions (each a new score) and fetches of the top ten per second
against php -S (one process, then PHP_CLI_SERVER_WORKERS=8) and, when both are installed, nginx
with PHP-FPM (8 children, the site and pool the package installs, without nginx's request limit),
for each database named on the command line (sqlite, pgsql, mariadb; default all three;
PostgreSQL and MariaDB run in temporary folders as in the tests). With --before COMMIT, the server
code of that commit and the current one, both through nginx and PHP-FPM, one after the other. The
request limits are off. Figures only; nothing is asserted."""
import os
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'tests', 'server'))
import nginx_fpm  # noqa: E402
import php_server  # noqa: E402
from php_server import PhpServer, database_by_name, submit_target  # noqa: E402

CLIENTS = 8
SECONDS = 3.0
DATE = b'07 Dec 2026/14:03:59'


def measure(server, make_target, marker: bytes):
    """Requests per second answered with the marker, and the count of other answers."""
    done, failed = [0] * CLIENTS, [0] * CLIENTS
    deadline = time.monotonic() + SECONDS

    def client(index):
        n = 0
        while time.monotonic() < deadline:
            try:
                ok = marker in server.request(make_target(index, n))
            except OSError:
                ok = False
            done[index] += ok
            failed[index] += not ok
            n += 1

    threads = [threading.Thread(target=client, args=(i,)) for i in range(CLIENTS)]
    start = time.monotonic()
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return sum(done) / (time.monotonic() - start), sum(failed)


def report(label, server):
    submit = measure(server, lambda i, n: submit_target(b'Bench %d' % i, n, DATE), b'[OK]')
    fetch = measure(server, lambda i, n: b'/tavrik/get.php?limit=10&vexpodbuffer=0', b'[start]')
    print('%-28s submit %7.0f/s (%d refused)   fetch %7.0f/s (%d refused)'
          % (label, submit[0], submit[1], fetch[0], fetch[1]), flush=True)


def bench(database, before):
    nginx, fpm = nginx_fpm.programs()
    if before:
        # The same server as it was at another commit, through the same nginx and PHP-FPM.
        with tempfile.TemporaryDirectory(prefix='tavrik-before-') as old:
            subprocess.run('git archive %s server | tar -x -C %s' % (before, old), shell=True, check=True,
                           cwd=os.path.join(os.path.dirname(__file__), '..'))
            if nginx and fpm:
                with nginx_fpm.NginxFpm(workers=CLIENTS, server_dir=os.path.join(old, 'server')) as server:
                    report('%s, nginx + PHP-FPM, %s' % (database, before), server)
    else:
        with PhpServer() as server:
            report('%s, php -S' % database, server)
        with PhpServer(workers=CLIENTS) as server:
            report('%s, php -S, %d workers' % (database, CLIENTS), server)
    if nginx and fpm:
        with nginx_fpm.NginxFpm(workers=CLIENTS) as server:
            report('%s, nginx + PHP-FPM%s' % (database, ', now' if before else ''), server)
    else:
        print('%s, nginx + PHP-FPM: skipped, %s not installed' % (database, ' and '.join(
            n for n, p in (('nginx', nginx), ('PHP-FPM', fpm)) if not p)))


def main():
    arguments = sys.argv[1:]
    before = None
    if '--before' in arguments:
        at = arguments.index('--before')
        before = arguments[at + 1]
        del arguments[at:at + 2]
    print('%d clients, %.0f s per figure, one connection per request' % (CLIENTS, SECONDS))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    for name in arguments or ['sqlite', 'pgsql', 'mariadb']:
        try:
            php_server.DATABASE = database_by_name(name).start()
        except (OSError, IndexError, subprocess.SubprocessError, RuntimeError) as e:
            print('%s: skipped, its server did not start (%s)' % (name, e))
            continue
        try:
            bench(name, before)
        finally:
            php_server.DATABASE.stop()


if __name__ == '__main__':
    main()
