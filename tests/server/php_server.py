"""PHP's built-in web server running the highscore server on a free loopback port with a database
of its own, and requests sent exactly as the game sends them."""
import hashlib
import os
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


class PhpServer:
    """Runs `php -S` for the duration of a with-block and stops it whatever happens."""

    def __init__(self, workers: int = 0):
        self.php = os.environ.get('TAVRIK_PHP', 'php')
        self.workers = workers

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix='tavrik-server-')
        with socket.socket() as probe:
            probe.bind(('127.0.0.1', 0))
            self.port = probe.getsockname()[1]
        env = dict(os.environ, TAVRIK_DB_PATH=os.path.join(self.folder, 'scores.sqlite'))
        env.pop('TAVRIK_DB_DSN', None)
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
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def request(self, target: bytes) -> bytes:
        """The whole reply, status line and headers included, to the game's request for target."""
        with socket.create_connection(('127.0.0.1', self.port), timeout=10) as s:
            s.sendall(b'GET ' + target + b' HTTP/1.0\r\nHost: localhost\r\nUser-Agent: Tavrik 0.91\r\n'
                      b'Accept: */*\r\n\r\n')
            chunks = []
            while chunk := s.recv(65536):
                chunks.append(chunk)
        return b''.join(chunks)
