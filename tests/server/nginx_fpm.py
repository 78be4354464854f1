"""nginx in front of PHP-FPM, as the server package sets them up, started here with their files in a
temporary folder: the shipped site and pool, with a free loopback port, unix sockets in the folder
and the database settings in the pool. Used like PhpServer."""
import glob
import os
import re
import shutil
import socket
import subprocess
import tempfile
import time

import php_server
from php_server import NO_LIMITS, SERVER_DIR, stop_process

DEPLOY_DIR = os.path.join(SERVER_DIR, 'deploy')
SEARCH_PATH = os.environ.get('PATH', '') + ':/usr/sbin:/sbin'


def programs():
    """nginx and PHP-FPM, or None for each that is not installed."""
    fpm = shutil.which('php-fpm', path=SEARCH_PATH) or next(iter(sorted(glob.glob('/usr/sbin/php-fpm*'))), None)
    return shutil.which('nginx', path=SEARCH_PATH), fpm


class NginxFpm:
    """Runs nginx and PHP-FPM for the duration of a with-block on a fresh database, made ready by
    admin init (unless init is False). nginx's own request limit is left out unless nginx_limit;
    server_dir is the server code to run (another version of it, for the benchmark)."""

    def __init__(self, workers: int = 8, settings: dict = None, init: bool = True, nginx_limit: bool = False,
                 server_dir: str = SERVER_DIR):
        self.nginx, self.fpm = programs()
        self.workers = workers or 8
        self.settings = dict(NO_LIMITS, **(settings or {}))
        self.init = init
        self.nginx_limit = nginx_limit
        self.server_dir = server_dir
        self.php = os.environ.get('TAVRIK_PHP', 'php')

    def admin(self, *arguments: str) -> subprocess.CompletedProcess:
        return subprocess.run([self.php, os.path.join(self.server_dir, 'admin.php')] + list(arguments), env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)

    def site(self, f: str) -> str:
        with open(os.path.join(DEPLOY_DIR, 'nginx-site.conf')) as conf:
            site = conf.read()
        site = re.sub(r'listen 80 default_server;', 'listen 127.0.0.1:%d;' % self.port, site)
        site = re.sub(r'\n *listen \[::\]:80 default_server;', '', site)
        if not self.nginx_limit:
            site = re.sub(r'\n *limit_req [^\n]*', '', site)
        return (site.replace('/run/php/tavrik-server.sock', f + '/fpm.sock')
                .replace('/usr/share/tavrik-server', self.server_dir).replace('/var/log/nginx/', f + '/')
                .replace('include fastcgi_params;', 'include /etc/nginx/fastcgi_params;'))

    def pool(self, f: str, as_root: bool) -> str:
        with open(os.path.join(DEPLOY_DIR, 'php-fpm-pool.conf')) as conf:
            pool = conf.read()
        pool = re.sub(r'\n(user|group|listen\.owner|listen\.group) = [^\n]*', '', pool)
        pool = pool.replace('/run/php/tavrik-server.sock', f + '/fpm.sock')
        pool = pool.replace('/var/log/tavrik-server/', f + '/')
        pool = re.sub(r'\npm[.a-z_]* = [^\n]*', '', pool)
        pool += 'pm = static\npm.max_children = %d\n' % self.workers
        if as_root:
            pool += 'user = root\ngroup = root\n'
        pool += ''.join('env[%s] = "%s"\n' % item for item in self.env.items() if item[0].startswith('TAVRIK_'))
        return '[global]\npid = %s/fpm.pid\nerror_log = %s/fpm.log\ndaemonize = no\n' % (f, f) + pool

    def __enter__(self):
        self.folder = f = tempfile.mkdtemp(prefix='tavrik-nginx-')
        with socket.socket() as probe:
            probe.bind(('127.0.0.1', 0))
            self.port = probe.getsockname()[1]
        as_root = os.geteuid() == 0
        env = {k: v for k, v in os.environ.items() if not k.startswith('TAVRIK_DB_')}
        env.update(php_server.DATABASE.fresh(f))
        env.update(self.settings)
        self.env = env
        if self.init:
            done = self.admin('init')
            if done.returncode != 0:
                shutil.rmtree(f, ignore_errors=True)
                raise RuntimeError('admin init failed: ' + (done.stdout + done.stderr).decode(errors='replace'))
        with open(f + '/fpm.conf', 'w') as conf:
            conf.write(self.pool(f, as_root))
        with open(f + '/site.conf', 'w') as conf:
            conf.write(self.site(f))
        with open(f + '/nginx.conf', 'w') as conf:
            conf.write(('user root root;\n' if as_root else '') + f'''daemon off;
worker_processes 2;
pid {f}/nginx.pid;
error_log {f}/nginx.log;
events {{ worker_connections 1024; }}
http {{
  client_body_temp_path {f}/body; fastcgi_temp_path {f}/fastcgi; proxy_temp_path {f}/proxy;
  uwsgi_temp_path {f}/uwsgi; scgi_temp_path {f}/scgi;
  include {f}/site.conf;
}}
''')
        self.log = open(f + '/out.log', 'wb')
        self.processes = [
            subprocess.Popen([self.fpm, '--nodaemonize', '-y', f + '/fpm.conf'] + (['-R'] if as_root else []),
                             stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True),
            subprocess.Popen([self.nginx, '-p', f, '-c', f + '/nginx.conf', '-e', f + '/nginx.log'],
                             stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)]
        deadline = time.monotonic() + 10
        # PHP-FPM's socket file appears before it listens: wait until both accept a connection.
        while not (self._listening(socket.AF_UNIX, f + '/fpm.sock') and self._listening(socket.AF_INET, ('127.0.0.1', self.port))):
            if time.monotonic() > deadline or any(p.poll() is not None for p in self.processes):
                log = self.server_log()
                self.__exit__()
                raise RuntimeError('nginx or PHP-FPM did not start: ' + log)
            time.sleep(0.05)
        return self

    @staticmethod
    def _listening(family, address) -> bool:
        with socket.socket(family) as probe:
            probe.settimeout(1)
            try:
                probe.connect(address)
                return True
            except OSError:
                return False

    def __exit__(self, *exc):
        for p in self.processes:
            stop_process(p, 5)
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def server_log(self) -> str:
        text = ''
        for name in ('out.log', 'fpm.log', 'nginx.log', 'php-errors.log', 'tavrik-server.error.log'):
            try:
                with open(os.path.join(self.folder, name), 'rb') as log:
                    text += log.read().decode(errors='replace')
            except OSError:
                pass
        return text

    request = php_server.PhpServer.request
