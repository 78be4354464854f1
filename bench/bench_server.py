#!/usr/bin/env python3
"""Highscore server throughput on loopback: 8 clients at once, each request its own connection as
the game makes it. Prints submissions (each a new score) and fetches of the top ten per second
against php -S (one process, then PHP_CLI_SERVER_WORKERS=8) and, when both are installed, nginx
with PHP-FPM (8 children), for each database named on the command line (sqlite, pgsql, mariadb;
default all three; PostgreSQL and MariaDB run in temporary folders as in the tests). The request
limits are off. Figures only; nothing is asserted."""
import glob
import os
import shutil
import signal
import socket
import subprocess
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'tests', 'server'))
import php_server  # noqa: E402
from php_server import NO_LIMITS, SERVER_DIR, PhpServer, database_by_name, stop_process, submit_target  # noqa: E402

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


class NginxFpm:
    """nginx in front of PHP-FPM, both with their files in a temporary folder, as PhpServer does."""

    def __init__(self, nginx, fpm):
        self.nginx, self.fpm = nginx, fpm

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix='tavrik-nginx-')
        with socket.socket() as probe:
            probe.bind(('127.0.0.1', 0))
            self.port = probe.getsockname()[1]
        f = self.folder
        as_root = os.geteuid() == 0
        settings = dict(php_server.DATABASE.fresh(f), **NO_LIMITS)
        subprocess.run(['php', os.path.join(SERVER_DIR, 'admin.php'), 'init'], env=dict(os.environ, **settings),
                       check=True, stdout=subprocess.DEVNULL)
        params = ''.join('      fastcgi_param %s "%s";\n' % item for item in settings.items())
        with open(os.path.join(f, 'fpm.conf'), 'w') as conf:
            conf.write(f'[global]\npid = {f}/fpm.pid\nerror_log = {f}/fpm.log\ndaemonize = no\n'
                       f'[tavrik]\nlisten = {f}/fpm.sock\npm = static\npm.max_children = {CLIENTS}\n'
                       + ('user = root\ngroup = root\n' if as_root else ''))
        with open(os.path.join(f, 'nginx.conf'), 'w') as conf:
            conf.write(('user root root;\n' if as_root else '') + f'''
daemon off;
worker_processes 2;
pid {f}/nginx.pid;
error_log {f}/nginx.log;
events {{ worker_connections 1024; }}
http {{
  access_log off;
  client_body_temp_path {f}/body; fastcgi_temp_path {f}/fastcgi; proxy_temp_path {f}/proxy;
  uwsgi_temp_path {f}/uwsgi; scgi_temp_path {f}/scgi;
  server {{
    listen 127.0.0.1:{self.port};
    root {SERVER_DIR};
    location ~ ^/tavrik/(checkversion|submit|get)\\.php$ {{
      include /etc/nginx/fastcgi_params;
      fastcgi_param SCRIPT_FILENAME $document_root$fastcgi_script_name;
{params}      fastcgi_pass unix:{f}/fpm.sock;
    }}
    location / {{ return 404; }}
  }}
}}
''')
        log = open(os.path.join(f, 'out.log'), 'wb')
        self.processes = [
            subprocess.Popen([self.fpm, '--nodaemonize', '-y', f + '/fpm.conf'] + (['-R'] if as_root else []),
                             stdout=log, stderr=subprocess.STDOUT, start_new_session=True),
            subprocess.Popen([self.nginx, '-p', f, '-c', f + '/nginx.conf', '-e', f + '/nginx.log'],
                             stdout=log, stderr=subprocess.STDOUT, start_new_session=True)]
        deadline = time.monotonic() + 10
        while not (os.path.exists(f + '/fpm.sock') and self._listening()):
            if time.monotonic() > deadline or any(p.poll() is not None for p in self.processes):
                self.__exit__()
                raise RuntimeError('nginx or PHP-FPM did not start')
            time.sleep(0.05)
        return self

    def _listening(self):
        try:
            socket.create_connection(('127.0.0.1', self.port), timeout=1).close()
            return True
        except OSError:
            return False

    def __exit__(self, *exc):
        for p in self.processes:
            stop_process(p, 5)
        shutil.rmtree(self.folder, ignore_errors=True)

    request = PhpServer.request


def bench(database):
    with PhpServer() as server:
        report('%s, php -S' % database, server)
    with PhpServer(workers=CLIENTS) as server:
        report('%s, php -S, %d workers' % (database, CLIENTS), server)
    path = os.environ.get('PATH', '') + ':/usr/sbin:/sbin'
    nginx = shutil.which('nginx', path=path)
    fpm = shutil.which('php-fpm', path=path) or next(iter(sorted(glob.glob('/usr/sbin/php-fpm*'))), None)
    if nginx and fpm:
        with NginxFpm(nginx, fpm) as server:
            report('%s, nginx + PHP-FPM, %d children' % (database, CLIENTS), server)
    else:
        print('%s, nginx + PHP-FPM: skipped, %s not installed' % (database, ' and '.join(
            n for n, p in (('nginx', nginx), ('PHP-FPM', fpm)) if not p)))


def main():
    print('%d clients, %.0f s per figure, one connection per request' % (CLIENTS, SECONDS))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    for name in sys.argv[1:] or ['sqlite', 'pgsql', 'mariadb']:
        try:
            php_server.DATABASE = database_by_name(name).start()
        except (OSError, IndexError, subprocess.SubprocessError, RuntimeError) as e:
            print('%s: skipped, its server did not start (%s)' % (name, e))
            continue
        try:
            bench(name)
        finally:
            php_server.DATABASE.stop()


if __name__ == '__main__':
    main()
