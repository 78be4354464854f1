#!/usr/bin/env python3
"""Replay verifier throughput: REPLAYS copies of the committed reference game (a 22-second game)
waiting in a fresh database, played again by VERIFIERS `admin verify` processes at once, each
running the built game's `tavrik --verify` per replay under its limits and network namespace.
Prints replays and game-minutes per second for 1 verifier and for 4, on each database named on
the command line (sqlite, pgsql, mariadb; default sqlite and pgsql). The verifier is the game named
by TAVRIK_GAME or the first argument ending in /tavrik (default build/game/tavrik). Figures only."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'tests', 'server'))
import php_server  # noqa: E402
from php_server import PhpServer, database_by_name  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, '..', 'tests', 'data', 'reference-game.tvr')
PROBE = os.path.join(HERE, '..', 'tests', 'server', 'store_probe.php')
REPLAYS = 64
KEY = '0123456789abcdef0123456789abcdef'


def run(game: str, verifiers: int):
    """Seconds the verifiers took for REPLAYS waiting replays, and how many they verified."""
    settings = {'TAVRIK_VERIFIER': game, 'TAVRIK_REQUIRE_VERIFIED': '1', 'TAVRIK_SCORES_PER_NAME': '0'}
    with PhpServer(settings=settings) as server:
        dates = ['%02d Dec 2026/%02d:%02d:00' % (1 + i // 600, i // 60 % 10, i % 60) for i in range(REPLAYS)]
        subprocess.run([server.php, PROBE, 'copies', REFERENCE, KEY] + dates, env=server.env, check=True)
        started = time.monotonic()
        runs = [subprocess.Popen([server.php, os.path.join(php_server.SERVER_DIR, 'admin.php'), 'verify'],
                                 env=server.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
                for _ in range(verifiers)]
        outputs = [r.communicate()[0].decode() for r in runs]
        seconds = time.monotonic() - started
        return seconds, sum(o.count('\nverified ') + o.startswith('verified ') for o in outputs)


def main():
    arguments = [a for a in sys.argv[1:] if not a.endswith('/tavrik')]
    games = [a for a in sys.argv[1:] if a.endswith('/tavrik')]
    game = os.path.abspath(os.environ.get('TAVRIK_GAME') or (games[0] if games else
                                                             os.path.join(HERE, '..', 'build', 'game', 'tavrik')))
    steps = 1294
    print('%d replays of %.1f game-seconds each, %d cores' % (REPLAYS, steps / 60, os.cpu_count()))
    for name in arguments or ['sqlite', 'pgsql']:
        php_server.DATABASE = database_by_name(name).start()
        try:
            for verifiers in (1, 4):
                seconds, verified = run(game, verifiers)
                print('%-7s %d verifier%s: %5.1f s, %3d verified, %6.1f replays/s, %6.1f game-minutes/s'
                      % (name, verifiers, 's' if verifiers > 1 else ' ', seconds, verified, REPLAYS / seconds,
                         REPLAYS * steps / 60 / 60 / seconds))
        finally:
            php_server.DATABASE.stop()


if __name__ == '__main__':
    main()
