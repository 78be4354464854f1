"""PHP's built-in web server running the highscore server on a free loopback port with a database
of its own, and requests sent exactly as the game sends them. The database is SQLite, or a
PostgreSQL or MariaDB server started here in a temporary folder (see database_by_name)."""
import atexit
import glob
import hashlib
import os
import pwd
import shutil
import signal
import socket
import subprocess
import tempfile
import time

SERVER_DIR = os.path.normpath(os.path.join(os.path.dirname(__file__), '..', '..', 'server'))
VERSION = b'Tavrik 0.91'
# Bytes the game percent-encodes in a name or date; every other byte goes out as it is.
ESCAPED = set(b' &#%+=?') | set(range(0x00, 0x20)) | set(range(0x7F, 0x100))


def md5(data: bytes) -> str:
    return hashlib.md5(data).hexdigest()


def encode(value: bytes) -> bytes:
    return b''.join(b'%%%02X' % c if c in ESCAPED else bytes([c]) for c in value)


def submit_target(name: bytes, points: int, date: bytes, checksum: str = None) -> bytes:
    points_text = str(points).encode()
    if checksum is None:
        checksum = md5(name + points_text + date + VERSION)
    return (b'/tavrik/submit.php?name=' + encode(name) + b'&points=' + points_text + b'&time='
            + encode(date) + b'&md5sum=' + checksum.encode() + b'&vexpodbuffer=0')


def replay_target(name: bytes, points: int, date: bytes, key: bytes, checksum: str = None) -> bytes:
    """The game's upload of a score's replay: the score's fields as submitted, and the install key."""
    return (submit_target(name, points, date, checksum).replace(b'/submit.php', b'/replay.php')
            .replace(b'&vexpodbuffer=0', b'') + b'&key=' + key)


def parse_top_list(reply: bytes):
    """The records of the first "[start]" line, read the way the game reads them."""
    for line in reply.split(b'\n'):
        line = line.rstrip(b'\r')
        if b'[start]' not in line:
            continue
        text = line.split(b'[start]', 1)[1]
        if b'[end]' not in text:
            return []
        text = text.split(b'[end]', 1)[0]
        records = []
        while text:
            name, rest = text[1:].split(b'|', 1)
            points, rest = rest.split(b'|', 1)
            date, text = rest.split(b']', 1)
            records.append((name, int(points), date))
        return records
    return None


def stop_process(process: subprocess.Popen, seconds: float = 10):
    """Ends a process started in its own session, with its children; SIGKILL when it lingers."""
    if process.poll() is None:
        try:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
        except ProcessLookupError:
            pass


def wait_for(check, process: subprocess.Popen, what: str, seconds: float = 60):
    deadline = time.monotonic() + seconds
    while not check():
        if process.poll() is not None or time.monotonic() > deadline:
            raise RuntimeError(what + ' did not start')
        time.sleep(0.05)


class SqliteDatabase:
    """A SQLite file in the web server's folder: nothing to start."""
    name = 'sqlite'

    def start(self):
        return self

    def stop(self):
        pass

    def fresh(self, folder: str) -> dict:
        return {'TAVRIK_DB_PATH': os.path.join(folder, 'scores.sqlite')}


class ServerDatabase:
    """A database server of our own in a temporary folder, listening only on a unix socket
    there; each fresh() makes a new empty database in it. Stopped and removed by stop(), which
    also runs at exit."""

    def __init__(self):
        self.process = None
        self.folder = None
        self.count = 0

    def run(self, command, **kw):
        subprocess.run(command, check=True, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120, **kw)

    def start(self):
        atexit.register(self.stop)
        self.folder = tempfile.mkdtemp(prefix='tavrik-%s-' % self.name)
        try:
            self.launch()
        except BaseException:
            self.stop()
            raise
        return self

    def stop(self):
        if self.process is not None:
            stop_process(self.process, 30)
            self.process = None
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None

    def fresh(self, folder: str) -> dict:
        self.count += 1
        database = 'tavrik%d' % self.count
        self.create(database)
        return self.settings(database)


class PostgresDatabase(ServerDatabase):
    """PostgreSQL; run as the postgres user when the tests run as root, as it refuses root."""
    name = 'pgsql'
    # Only the socket's file name carries it: nothing listens on TCP.
    PORT = 5432

    def launch(self):
        bindir = sorted(glob.glob('/usr/lib/postgresql/*/bin'))[-1]
        user = {}
        if os.geteuid() == 0:
            entry = pwd.getpwnam('postgres')
            os.chown(self.folder, entry.pw_uid, entry.pw_gid)
            user = {'user': entry.pw_uid, 'group': entry.pw_gid}
        data = os.path.join(self.folder, 'data')
        self.run([bindir + '/initdb', '-D', data, '-A', 'trust', '-U', 'tavrik', '-E', 'UTF8', '--no-sync',
                  '--no-locale'], **user)
        self.process = subprocess.Popen(
            [bindir + '/postgres', '-D', data, '-k', self.folder, '-p', str(self.PORT), '-c', 'listen_addresses=',
             '-c', 'fsync=off', '-c', 'synchronous_commit=off', '-c', 'full_page_writes=off',
             '-c', 'max_connections=60', '-c', 'logging_collector=off'],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True, **user)
        wait_for(lambda: subprocess.run(['psql', '-h', self.folder, '-p', str(self.PORT), '-U', 'tavrik', '-d',
                                         'postgres', '-c', 'SELECT 1'], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL).returncode == 0, self.process, 'PostgreSQL')

    def create(self, database):
        self.run(['psql', '-h', self.folder, '-p', str(self.PORT), '-U', 'tavrik', '-d', 'postgres', '-c',
                  'CREATE DATABASE ' + database])

    def settings(self, database):
        return {'TAVRIK_DB_DSN': 'pgsql:host=%s;port=%d;dbname=%s' % (self.folder, self.PORT, database),
                'TAVRIK_DB_USER': 'tavrik'}


class MariaDatabase(ServerDatabase):
    """MariaDB, with root's empty-password login on its own socket."""
    name = 'mariadb'

    def launch(self):
        data = os.path.join(self.folder, 'data')
        self.socket = os.path.join(self.folder, 'sock')
        as_root = ['--user=root'] if os.geteuid() == 0 else []
        self.run(['mariadb-install-db', '--no-defaults', '--datadir=' + data, '--auth-root-authentication-method=normal',
                  '--skip-test-db'] + as_root)
        self.process = subprocess.Popen(
            [shutil.which('mariadbd', path='/usr/sbin:/usr/bin:' + os.environ.get('PATH', '')), '--no-defaults',
             '--datadir=' + data, '--socket=' + self.socket, '--skip-networking',
             '--pid-file=' + os.path.join(self.folder, 'pid'), '--log-error=' + os.path.join(self.folder, 'log'),
             '--innodb-buffer-pool-size=32M', '--innodb-flush-log-at-trx-commit=0', '--skip-log-bin',
             '--max-connections=60'] + as_root,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        wait_for(lambda: self.client('SELECT 1') == 0, self.process, 'MariaDB')

    def client(self, sql):
        return subprocess.run(['mariadb', '--no-defaults', '-S', self.socket, '-u', 'root', '-e', sql],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode

    def create(self, database):
        if self.client('CREATE DATABASE ' + database) != 0:
            raise RuntimeError('MariaDB did not create ' + database)

    def settings(self, database):
        return {'TAVRIK_DB_DSN': 'mysql:unix_socket=%s;dbname=%s;charset=utf8mb4' % (self.socket, database),
                'TAVRIK_DB_USER': 'root'}


def database_by_name(name: str):
    """The database of that name ("sqlite", "pgsql", "mariadb"), not yet started."""
    kinds = {'sqlite': SqliteDatabase, 'pgsql': PostgresDatabase, 'mariadb': MariaDatabase}
    if name not in kinds:
        raise ValueError('unknown database ' + name)
    return kinds[name]()


# The database the servers use: SQLite unless a test module starts another.
DATABASE = SqliteDatabase()
# Settings of every server: no request limits, so tests that store many scores from one address
# are not refused, and every score listed as it arrives; tests of the limits and of verification
# set them.
NO_LIMITS = {'TAVRIK_SUBMISSIONS_PER_MINUTE': '0', 'TAVRIK_FETCHES_PER_MINUTE': '0', 'TAVRIK_REQUIRE_VERIFIED': '0',
             'TAVRIK_WAITING_PER_SENDER': '0'}


class PhpServer:
    """Runs `php -S` for the duration of a with-block, with a fresh database made ready by
    "admin.php init" (unless init is False), and stops it whatever happens."""

    def __init__(self, workers: int = 0, settings: dict = None, init: bool = True):
        self.php = os.environ.get('TAVRIK_PHP', 'php')
        self.workers = workers
        self.settings = dict(NO_LIMITS, **(settings or {}))
        self.init = init

    def admin(self, *arguments: str) -> subprocess.CompletedProcess:
        """Runs admin.php with the server's settings."""
        return subprocess.run([self.php, os.path.join(SERVER_DIR, 'admin.php')] + list(arguments), env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix='tavrik-server-')
        with socket.socket() as probe:
            probe.bind(('127.0.0.1', 0))
            self.port = probe.getsockname()[1]
        env = dict(os.environ)
        for key in ('TAVRIK_DB_DSN', 'TAVRIK_DB_PATH', 'TAVRIK_DB_USER', 'TAVRIK_DB_PASSWORD'):
            env.pop(key, None)
        env.update(DATABASE.fresh(self.folder))
        env.update(self.settings)
        self.env = dict(env)
        if self.init:
            done = self.admin('init')
            if done.returncode != 0:
                shutil.rmtree(self.folder, ignore_errors=True)
                raise RuntimeError('admin.php init failed: ' + (done.stdout + done.stderr).decode(errors='replace'))
        if self.workers:
            env['PHP_CLI_SERVER_WORKERS'] = str(self.workers)
        self.log = open(os.path.join(self.folder, 'server.log'), 'wb')
        self.process = subprocess.Popen(
            [self.php, '-S', '127.0.0.1:%d' % self.port, '-t', SERVER_DIR,
             os.path.join(SERVER_DIR, 'router.php')],
            env=env, stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        deadline = time.monotonic() + 10
        while True:
            try:
                socket.create_connection(('127.0.0.1', self.port), timeout=1).close()
                return self
            except OSError:
                if self.process.poll() is not None or time.monotonic() > deadline:
                    self.__exit__(None, None, None)
                    raise RuntimeError('php -S did not start')
                time.sleep(0.05)

    def __exit__(self, *exc):
        # The server and its workers form their own process group.
        stop_process(self.process, 5)
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def server_log(self) -> str:
        with open(os.path.join(self.folder, 'server.log'), 'rb') as f:
            return f.read().decode(errors='replace')

    def request(self, target: bytes, method: bytes = b'GET', body: bytes = None) -> bytes:
        """The whole reply, status line and headers included, to the game's request for target;
        with a body, a POST of it as the game sends a replay."""
        headers = b''
        if body is not None:
            method = b'POST'
            headers = b'Content-Type: application/octet-stream\r\nContent-Length: %d\r\n' % len(body)
        with socket.create_connection(('127.0.0.1', self.port), timeout=10) as s:
            s.sendall(method + b' ' + target + b' HTTP/1.0\r\nHost: localhost\r\nUser-Agent: Tavrik 0.91\r\n'
                      b'Accept: */*\r\n' + headers + b'\r\n' + (body or b''))
            chunks = []
            while chunk := s.recv(65536):
                chunks.append(chunk)
        return b''.join(chunks)
