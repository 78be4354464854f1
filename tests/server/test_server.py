"""The highscore server over real HTTP, asked exactly as the game asks it, on the database named
by the first argument or TAVRIK_TEST_DB: sqlite (default), pgsql or mariadb, and served by PHP's
built-in server or, with the second argument or TAVRIK_TEST_WEB "nginx", by nginx and PHP-FPM as
the server package sets them up. PostgreSQL and MariaDB are started here in temporary folders and
removed at the end."""
import os
import json
import signal
import subprocess
import sys
import threading
import time
import unittest
import zlib

sys.path.insert(0, os.path.dirname(__file__))
import php_server  # noqa: E402
from php_server import PhpServer, VERSION, md5, parse_top_list, replay_target, submit_target  # noqa: E402

DATE = b'07 Dec 2026/14:03:59'


# The web server the tests start: PhpServer or NginxFpm.
Server = PhpServer


def setUpModule():
    global Server
    if os.environ.get('TAVRIK_TEST_WEB') == 'nginx':
        import nginx_fpm
        Server = nginx_fpm.NginxFpm
    php_server.DATABASE = php_server.database_by_name(os.environ.get('TAVRIK_TEST_DB', 'sqlite')).start()


def tearDownModule():
    php_server.DATABASE.stop()


def store_probe(server, *arguments, stdin: str = '', script: str = 'store_probe.php') -> str:
    """Runs tests/server/store_probe.php (or another script there) on the server's database; its output."""
    done = subprocess.run([server.php, os.path.join(os.path.dirname(__file__), script)] + list(arguments),
                          input=stdin.encode(), env=server.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=60)
    assert done.returncode == 0, done.stderr
    return done.stdout.decode()


def body(reply: bytes) -> bytes:
    return reply.split(b'\r\n\r\n', 1)[1]


class SharedServer(unittest.TestCase):
    """Tests that only add scores of their own share one server."""

    @classmethod
    def setUpClass(cls):
        cls.server = Server().__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__(None, None, None)

    def submit(self, name: bytes, points: int, date: bytes = DATE, checksum: str = None) -> bytes:
        return self.server.request(submit_target(name, points, date, checksum))

    def top(self, limit: int = 100):
        return parse_top_list(self.server.request(b'/tavrik/get.php?limit=%d&vexpodbuffer=0' % limit))

    def test_version_check_accepts_only_this_versions_checksum(self):
        def check(version: bytes) -> bytes:
            return self.server.request(b'/tavrik/checkversion.php?version=' + version + b'&vexpodbuffer=0')
        self.assertEqual(body(check(md5(VERSION).encode())), b'[true]\n')
        for other in (md5(b'Tavrik 0.90').encode(), md5(VERSION).upper().encode(), b'', VERSION.replace(b' ', b'%20')):
            reply = check(other)
            self.assertNotIn(b'[true]', reply, other)
            self.assertIn(b'[false]', reply, other)

    def test_replay_is_stored_once_and_forgeries_are_refused(self):
        self.assertIn(b'[OK]', self.submit(b'Replay', 4200))
        self.assertIn(b'[OK]', self.submit(b'Replay', 4200), 'a replay is acknowledged')
        self.assertIn(b'[OK]', self.submit(b'Replay', 4200, b'08 Dec 2026/09:00:00'), 'another date is another score')
        genuine = md5(b'Replay4200' + DATE + VERSION)
        for forged in (submit_target(b'Replay', 99999, DATE, genuine),
                       submit_target(b'Replay', 5000, DATE, md5(b'Replay5000' + DATE + b'Tavrik 0.90')),
                       submit_target(b'Replay', 5000, DATE, '0' * 32),
                       submit_target(b'Replay', 5000, DATE).replace(b'&md5sum=', b'&md5=')):
            reply = self.server.request(forged)
            self.assertNotIn(b'[OK]', reply, forged)
            self.assertIn(b'[ERROR]', reply)
        mine = [r for r in self.top() if r[0] == b'Replay']
        self.assertEqual(mine, [(b'Replay', 4200, DATE), (b'Replay', 4200, b'08 Dec 2026/09:00:00')])

    def test_names_come_back_byte_for_byte(self):
        names = [b"Robert'); DROP TABLE tavrik_scores;--", b"1' OR '1'<>'2",
                 b'J\xf6rg & Co #1 100%+?', b'\xff\xa0\xa1 %20 "quoted" \\back', b'N' * 64]
        for i, name in enumerate(names):
            self.assertIn(b'[OK]', self.submit(name, 7000 + i), name)
        fetched = self.top()
        for i, name in enumerate(names):
            self.assertIn((name, 7000 + i, DATE), fetched)

    def test_malformed_fields_are_refused_even_when_signed(self):
        refused = [(b'', 1, DATE), (b'N' * 256, 1, DATE),
                   (b'Bad', 1, b''), (b'Bad', 1, b'7 Dec 2026/14:03:59'), (b'Bad', 1, b'07 Dec 2026 14:03:59'),
                   (b'Bad', 1, b'07 Dez 2026/14:03:59'), (b'Bad', 1, DATE + b']'), (b'Bad', 1, b'07 Dec 2026/24:00:00'),
                   (b'Bad', 1, b'31 Feb 0000/23:59:60'), (b'Bad', 1, b'29 Feb 2025/12:00:00'),
                   (b'Bad', 1, b'31 Apr 2026/12:00:00'), (b'Bad', 1, b'07 Dec 2026/23:59:60')]
        for name, points, date in refused:
            reply = self.submit(name, points, date)
            self.assertNotIn(b'[OK]', reply, (name, date))
        for points in (b'2147483648', b'-2147483649', b'1e3', b'+5', b'007', b'-0', b'', b'12 '):
            checksum = md5(b'Bad' + points + DATE + VERSION).encode()
            target = (b'/tavrik/submit.php?name=Bad&points=' + points.replace(b'+', b'%2B').replace(b' ', b'%20')
                      + b'&time=07%20Dec%202026/14:03:59&md5sum=' + checksum + b'&vexpodbuffer=0')
            self.assertNotIn(b'[OK]', self.server.request(target), points)
        self.assertNotIn(b'[OK]', self.server.request(submit_target(b'Bad', 1, DATE).replace(b'&time=', b'&time[]=')))
        array_name = submit_target(b'Bad', 1, DATE).replace(b'name=', b'name[]=')
        self.assertNotIn(b'[OK]', self.server.request(array_name))
        self.assertNotIn(b'[OK]', self.server.request(submit_target(b'Bad', 1, DATE) + b'&pad=' + b'x' * 2000))
        # A HEAD request stores nothing.
        head = self.server.request(submit_target(b'Bad', 1, DATE), method=b'HEAD')
        self.assertIn(b' 405 ', head.split(b'\r\n', 1)[0])
        fetched = self.top()
        self.assertFalse([r for r in fetched if r[0] in (b'Bad', b'') or r[1] == 1], fetched)
        # The limits themselves are accepted, and so is a leap day.
        self.assertIn(b'[OK]', self.submit(b'Leap', 2, b'29 Feb 2028/23:59:59'))
        self.assertIn(b'[OK]', self.submit(b'Edge', 2147483647))
        self.assertIn(b'[OK]', self.submit(b'Edge', -2147483648))

    def test_every_name_the_game_sends_is_stored_cleaned(self):
        sent = {b'A|B[c]': b'A/B(c)', b'\x01Tab\tbed\x7f\r\n': b'Tabbed', b'x' * 255: b'x' * 64,
                b'\x02\x03': b'?', b'C1\x80\x85\x9fend\xa0': b'C1end\xa0', b' Ace = 1 ': b' Ace = 1 ', b'|' * 70 + b'tail': b'/' * 64}
        for i, name in enumerate(sent):
            self.assertIn(b'[OK]', self.submit(name, 8100 + i), name)
        fetched = self.top()
        for i, stored in enumerate(sent.values()):
            self.assertIn((stored, 8100 + i, DATE), fetched)

    def test_private_files_are_not_served(self):
        self.submit(b'Someone', 1)
        for path in (b'/private/config.php', b'/private/data/scores.sqlite', b'/private/ScoreStore.php',
                     b'/router.php', b'/admin.php', b'/tavrik/../private/config.php'):
            reply = self.server.request(path)
            self.assertTrue(reply.startswith(b'HTTP/1.') and b' 404 ' in reply.split(b'\r\n', 1)[0], path)
            self.assertNotIn(b'SQLite', reply)


class TopList(unittest.TestCase):
    """The fetch on a database holding only this test's scores."""

    def test_limits_order_and_exact_grammar(self):
        with Server() as server:
            for i in range(105):
                self.assertIn(b'[OK]', server.request(submit_target(b'P%d' % i, i * 10, DATE)))
            for name in (b'Tie1', b'Tie2'):
                server.request(submit_target(name, 5000, DATE))
            server.request(submit_target(b'Low', -5, DATE))

            reply = server.request(b'/tavrik/get.php?limit=4&vexpodbuffer=0')
            self.assertIn(b'\r\nContent-Type: text/plain; charset=ISO-8859-1\r\n', reply)
            self.assertEqual(body(reply), b'[start][Tie1|5000|' + DATE + b'][Tie2|5000|' + DATE + b']'
                             b'[P104|1040|' + DATE + b'][P103|1030|' + DATE + b'][end]\n')

            def count(query: bytes) -> int:
                return len(parse_top_list(server.request(b'/tavrik/get.php?' + query)))
            self.assertEqual(count(b'limit=0&vexpodbuffer=0'), 1)
            self.assertEqual(count(b'limit=-3&vexpodbuffer=0'), 1)
            self.assertEqual(count(b'vexpodbuffer=0'), 10)
            self.assertEqual(count(b'limit=1000&vexpodbuffer=0'), 100)
            self.assertNotIn(b'[start]', server.request(b'/tavrik/get.php?limit=ten&vexpodbuffer=0'))

            everything = parse_top_list(server.request(b'/tavrik/get.php?limit=100'))
            points = [r[1] for r in everything]
            self.assertEqual(points, sorted(points, reverse=True))
        with Server() as empty:
            self.assertEqual(body(empty.request(b'/tavrik/get.php?limit=10&vexpodbuffer=0')), b'[start][end]\n')


class Limits(unittest.TestCase):
    """Request limits per address, scores kept per name and in all, and the first requests on a
    fresh database."""

    def test_rate_limits_answer_429_without_ok(self):
        with Server(settings={'TAVRIK_SUBMISSIONS_PER_MINUTE': '3', 'TAVRIK_FETCHES_PER_MINUTE': '4'}) as server:
            replies = [server.request(submit_target(b'Quick', n, DATE)) for n in range(4)]
            self.assertTrue(all(b'[OK]' in r for r in replies[:3]), replies)
            self.assertTrue(replies[3].startswith(b'HTTP/1.1 429 ') or replies[3].startswith(b'HTTP/1.0 429 '), replies[3])
            self.assertNotIn(b'[OK]', replies[3])
            # Refused submissions count too, so forging cannot go faster.
            fetches = [server.request(b'/tavrik/get.php?limit=10&vexpodbuffer=0') for _ in range(5)]
            self.assertTrue(all(b'[start]' in r for r in fetches[:4]))
            self.assertIn(b' 429 ', fetches[4].split(b'\r\n', 1)[0])
            self.assertNotIn(b'[start]', fetches[4])
            self.assertEqual(len(parse_top_list(fetches[0])), 3)

    def test_best_scores_are_kept_per_name_and_in_all(self):
        with Server(settings={'TAVRIK_SCORES_PER_NAME': '3', 'TAVRIK_MAX_SCORES': '5'}) as server:
            for points in (50, 10, 40, 20, 30, 60):
                self.assertIn(b'[OK]', server.request(submit_target(b'Greedy', points, DATE)))
            # A low score of a full name is acknowledged, so the game stops resending it.
            self.assertIn(b'[OK]', server.request(submit_target(b'Greedy', 1, DATE)))
            self.assertEqual([r[1] for r in parse_top_list(server.request(b'/tavrik/get.php?limit=100'))], [60, 50, 40])
            for name, points in ((b'B', 45), (b'C', 5), (b'D', 55)):
                server.request(submit_target(name, points, DATE))
            top = [(r[0], r[1]) for r in parse_top_list(server.request(b'/tavrik/get.php?limit=100'))]
            self.assertEqual(top, [(b'Greedy', 60), (b'D', 55), (b'Greedy', 50), (b'B', 45), (b'Greedy', 40)])

    def test_concurrent_first_submissions_on_a_fresh_database(self):
        with Server(workers=16, settings={'TAVRIK_SUBMISSIONS_PER_MINUTE': '20'}) as server:
            replies = [None] * 16
            start = threading.Barrier(16)

            def send(i):
                start.wait()
                replies[i] = server.request(submit_target(b'Racer %d' % i, 100 + i, DATE))
            threads = [threading.Thread(target=send, args=(i,)) for i in range(16)]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
            failed = [r for r in replies if b'[OK]' not in r]
            self.assertFalse(failed, server.server_log())
            self.assertEqual(len(parse_top_list(server.request(b'/tavrik/get.php?limit=100'))), 16)

    def test_concurrent_submissions_for_one_name_keep_exactly_the_limit(self):
        with Server(workers=16, settings={'TAVRIK_SCORES_PER_NAME': '10', 'TAVRIK_MAX_SCORES': '0'}) as server:
            replies = [None] * 64
            start = threading.Barrier(64)

            def send(i):
                start.wait()
                replies[i] = server.request(submit_target(b'Crowd', 1000 + i, DATE))
            threads = [threading.Thread(target=send, args=(i,)) for i in range(64)]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
            self.assertFalse([r for r in replies if b'[OK]' not in r], server.server_log())
            self.assertEqual([r[1] for r in parse_top_list(server.request(b'/tavrik/get.php?limit=100'))],
                             list(range(1063, 1053, -1)))

    def test_request_limit_slides_and_groups_an_ipv6_network(self):
        """The limit as the web scripts apply it, with the addresses and times made up here."""
        with Server() as server:
            def probe(requests):
                return store_probe(server, '20', stdin=''.join('%s %.3f\n' % r for r in requests)).count('1')
            boundary = 60 * 29_000_000
            # 25 in two seconds across a minute's end.
            self.assertLessEqual(probe([('192.0.2.1', boundary - 1 + i / 12.5) for i in range(25)]), 20)
            # 25 at one a second from a minute's 48th second: the two windows only estimate the
            # last minute (as if the earlier one's requests were spread over it), one over at most.
            self.assertLessEqual(probe([('192.0.2.2', boundary + 48 + i) for i in range(25)]), 21)
            # Other addresses of one IPv6 /64 count together; another /64 and IPv4 are apart.
            self.assertEqual(probe([('2001:db8:5:6:%x::1' % i, boundary + i / 10) for i in range(25)]), 20)
            self.assertEqual(probe([('2001:db8:5:7::1', boundary + 3), ('::ffff:192.0.2.9', boundary + 3)]), 2)
            # A window later the sender starts afresh.
            self.assertEqual(probe([('192.0.2.1', boundary + 121)]), 1)

    def test_nginx_stops_a_flood_before_php(self):
        if Server is PhpServer:
            self.skipTest('nginx only')
        with Server(nginx_limit=True) as server:
            replies = [server.request(submit_target(b'Flood', i, DATE)) for i in range(30)]
            refused = [r for r in replies if r.split(b'\r\n', 1)[0].endswith(b' 429 Too Many Requests')]
            self.assertGreaterEqual(len(refused), 5)
            self.assertTrue(all(r.endswith(b'\r\n\r\n[ERROR] too many requests\n') for r in refused), refused[0])
            self.assertEqual(len(refused) + len([r for r in replies if b'[OK]' in r]), 30)

    def test_nginx_refuses_a_replay_over_1_mib_before_php(self):
        if Server is PhpServer:
            self.skipTest('nginx only')
        with Server() as server:
            reply = server.request(replay_target(b'Big', 1, DATE, KEY), body=bytes((1 << 20) + 1))
            self.assertIn(b' 413 ', reply.split(b'\r\n', 1)[0], reply)
            self.assertTrue(reply.endswith(b'\r\n\r\n[REFUSED] replay too large\n'), reply)

    def test_missing_schema_is_a_clean_error(self):
        with Server(init=False) as server:
            for target in (submit_target(b'Early', 1, DATE), b'/tavrik/get.php?limit=10'):
                reply = server.request(target)
                self.assertIn(b' 503 ', reply.split(b'\r\n', 1)[0], reply)
                self.assertTrue(reply.endswith(b'\r\n\r\n[ERROR] database not initialised\n'), reply)
            self.assertIn(b'[true]', server.request(b'/tavrik/checkversion.php?version=' + md5(VERSION).encode()))
            self.assertIn('init', server.server_log(), 'the host finds a hint in the log')
            self.assertNotEqual(server.admin('list').returncode, 0)
            self.assertEqual(server.admin('init').returncode, 0)
            again = server.admin('init')
            self.assertEqual(again.returncode, 0)
            self.assertIn(b'nothing was changed', again.stdout)
            self.assertIn(b'[OK]', server.request(submit_target(b'Early', 1, DATE)))


class Upgrade(unittest.TestCase):
    """init on a database the previous release of the server made."""

    def setUp(self):
        if Server is not PhpServer:
            self.skipTest('the web server plays no part in init')

    def test_scores_are_kept_and_the_limits_work_on(self):
        old = [('Ann', 300), ('Ann', 250), ('Ann', 200), ('J\u00f6rg', 150), ('Bob', 100)]
        with Server(init=False, settings={'TAVRIK_SCORES_PER_NAME': '3', 'TAVRIK_MAX_SCORES': '6',
                                          'TAVRIK_SUBMISSIONS_PER_MINUTE': '20'}) as server:
            store_probe(server, script='old_server_store.php',
                        stdin=json.dumps([[name, points, DATE.decode()] for name, points in old]))
            # Until init has run a submission is refused without [OK], so the game keeps it.
            early = server.request(submit_target(b'Early', 1, DATE))
            self.assertIn(b' 503 ', early.split(b'\r\n', 1)[0], early)
            done = server.admin('init')
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertIn(b'5 scores kept', done.stdout)
            fetched = parse_top_list(server.request(b'/tavrik/get.php?limit=100'))
            self.assertEqual(fetched, [(name.encode('latin-1'), points, DATE) for name, points in old])

            # Ann's lowest goes for her better score; the total, counted from the kept scores,
            # drops the lowest once a seventh arrives.
            for name, points in ((b'Ann', 400), (b'Ann', 10), (b'Cid', 50), (b'Dee', 500)):
                self.assertIn(b'[OK]', server.request(submit_target(name, points, DATE)), name)
            fetched = parse_top_list(server.request(b'/tavrik/get.php?limit=100'))
            self.assertEqual([(r[0], r[1]) for r in fetched],
                             [(b'Dee', 500), (b'Ann', 400), (b'Ann', 300), (b'Ann', 250), (b'J\xf6rg', 150), (b'Bob', 100)])
            senders = {line.split(' ')[1]: line.split(' ')[-3] for line in server.admin('list').stdout.decode().splitlines()}
            self.assertEqual((senders['300'], senders['500']), ('-', '127.0.0.1'))

            again = server.admin('init')
            self.assertEqual(again.returncode, 0)
            self.assertIn(b'nothing was changed', again.stdout)
            self.assertEqual(parse_top_list(server.request(b'/tavrik/get.php?limit=100')), fetched)

    def test_tables_it_does_not_know_are_refused(self):
        with Server(init=False) as server:
            store_probe(server, 'foreign', script='old_server_store.php')
            for _ in range(2):
                done = server.admin('init')
                self.assertEqual(done.returncode, 1)
                self.assertIn(b'tavrik_scores', done.stderr)


class Admin(unittest.TestCase):
    """The admin command against the server's database."""

    def listed(self, server):
        return [line.split(' ') for line in server.admin('list').stdout.decode('utf-8').splitlines()]

    def test_list_delete_ban_unban_prune(self):
        with Server(settings={'TAVRIK_SCORES_PER_NAME': '0'}) as server:
            for name, points in ((b'Ann', 300), (b'Cheat|er', 999999), (b'Bob', 200), (b'Bob', 100), (b'J\xf6rg', 50)):
                self.assertIn(b'[OK]', server.request(submit_target(name, points, DATE)))
            listed = server.admin('list')
            self.assertIn(b'database: ', listed.stderr)
            rows = self.listed(server)
            # ID POINTS NAME DATE SENDER ARRIVED STATUS, names in UTF-8.
            self.assertEqual([(r[2], int(r[1])) for r in rows],
                             [('Cheat/er', 999999), ('Ann', 300), ('Bob', 200), ('Bob', 100), ('J\u00f6rg', 50)])
            self.assertEqual({(r[-3], r[-1]) for r in rows}, {('127.0.0.1', 'pending')})
            self.assertEqual(len(server.admin('list', '2').stdout.splitlines()), 2)

            # Banning shows what would go and does it only with --yes; by the name as sent or as listed.
            preview = server.admin('ban', 'Cheat|er')
            self.assertEqual(preview.returncode, 0)
            self.assertIn(b'999999', preview.stdout)
            self.assertEqual(len(self.listed(server)), 5)
            self.assertEqual(server.admin('ban', 'Cheat|er', '--yes').returncode, 0)
            self.assertEqual(server.admin('ban', 'J\u00f6rg', '--yes').returncode, 0, 'a UTF-8 name matches')
            for empty in ('', '\x01'):
                self.assertEqual(server.admin('ban', empty, '--yes').returncode, 1)
            self.assertIn(b'[OK]', server.request(submit_target(b'Cheat|er', 888888, b'08 Dec 2026/09:00:00')))
            self.assertIn(b'[OK]', server.request(submit_target(b'Cheat/er', 777777, DATE)))
            self.assertEqual([r[0] for r in parse_top_list(server.request(b'/tavrik/get.php?limit=100'))],
                             [b'Ann', b'Bob', b'Bob'])
            self.assertEqual(server.admin('unban', 'Cheat/er').returncode, 0)
            self.assertNotEqual(server.admin('unban', 'Cheat/er').returncode, 0)
            self.assertIn(b'[OK]', server.request(submit_target(b'Cheat/er', 5, DATE)))

            bob_id = [r[0] for r in self.listed(server) if r[1] == '100'][0]
            self.assertEqual(server.admin('delete', bob_id).returncode, 0)
            self.assertNotEqual(server.admin('delete', bob_id).returncode, 0)
            self.assertEqual([r[1] for r in parse_top_list(server.request(b'/tavrik/get.php?limit=100'))], [300, 200, 5])

            server.env.update(TAVRIK_MAX_SCORES='2')
            self.assertEqual(server.admin('prune').returncode, 0)
            self.assertEqual(len(self.listed(server)), 3)
            self.assertEqual(server.admin('prune', '--yes').returncode, 0)
            self.assertEqual([r[1] for r in parse_top_list(server.request(b'/tavrik/get.php?limit=100'))], [300, 200])
            for wrong in (('delete',), ('delete', 'x'), ('list', '0'), ('frobnicate',), ('ban', 'a', 'b'),
                          ('delete', '--until', 'now'), ('list', '--yes'), ('delete', '3', '--from', '127.0.0.1')):
                self.assertEqual(server.admin(*wrong).returncode, 2, wrong)

    def test_a_flood_is_removed_by_sender_and_time(self):
        with Server() as server:
            for i in range(12):
                self.assertIn(b'[OK]', server.request(submit_target(b'Flood %d' % i, 1000 + i, DATE)))
            for flags in (('--from', '10.9.9.9'), ('--from', '2001:db8::1'), ('--since', '2000-01-01', '--until', '2000-01-02')):
                self.assertIn(b'\n0 scores deleted', b'\n' + server.admin('delete', *flags, '--yes').stdout, flags)
            self.assertEqual(len(self.listed(server)), 12)
            preview = server.admin('delete', '--from', '127.0.0.1', '--since', '-1 hour')
            self.assertIn(b'12 scores would be deleted', preview.stdout)
            self.assertEqual(len(self.listed(server)), 12)
            self.assertIn(b'12 scores deleted', server.admin('delete', '--since', '-1 hour', '--yes').stdout)
            self.assertEqual(parse_top_list(server.request(b'/tavrik/get.php?limit=100')), [])
            # Senders are kept 30 days, then cleared; the scores stay.
            self.assertIn(b'[OK]', server.request(submit_target(b'Kept', 5, DATE)))
            store_probe(server, 'clear', str(int(time.time()) + 29 * 86400))
            self.assertEqual([r[-3] for r in self.listed(server)], ['127.0.0.1'])
            store_probe(server, 'clear', str(int(time.time()) + 31 * 86400))
            self.assertEqual([(r[2], r[-3], r[-2]) for r in self.listed(server)], [('Kept', '-', '-')])
            self.assertIn(b'0 scores would be deleted', server.admin('delete', '--from', '127.0.0.1').stdout)


# A real game recorded by this source's build: "Reference", 1 point.
REFERENCE = os.path.join(os.path.dirname(__file__), '..', 'data', 'reference-game.tvr')
KEY = b'0123456789abcdef0123456789abcdef'
OTHER_KEY = b'fedcba9876543210fedcba9876543210'


def with_crc(b: bytearray) -> bytes:
    """The replay with its trailing CRC-32 made right again."""
    b[-4:] = zlib.crc32(bytes(b[:-4])).to_bytes(4, 'little')
    return bytes(b)


def with_points(replay: bytes, points: int) -> bytes:
    """The replay claiming other points, consistently: the game must play it to find out."""
    b = bytearray(replay)
    # The result ends the file: points (8 bytes), kills, stage, steps (4 each), end (1), CRC (4).
    b[-25:-17] = points.to_bytes(8, 'little', signed=True)
    return with_crc(b)


def read_varint(raw, at):
    value = shift = 0
    while True:
        byte = raw[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if not byte & 0x80:
            return value, at


def write_varint(value):
    out = bytearray()
    while value > 0x7F:
        out.append(value & 0x7F | 0x80)
        value >>= 7
    return out + bytes([value])


def with_other_aim(replay: bytes, shift: int = 40) -> bytes:
    """The replay with the aim of a step in the middle moved by shift: other controls, in a
    well-formed file. With shift 0 that step (one that kept its aim) says its aim changed, by 0:
    the same game in another encoding."""
    at = 10
    for _ in range(4):
        at += 1 + replay[at]
    packed_size = int.from_bytes(replay[at + 8:at + 12], 'little')
    raw = zlib.decompress(replay[at + 12:at + 12 + packed_size])
    # Each step: flags, then the fields it changes; the aim as zigzag varints of differences.
    count, step_at, steps, aim_x = int.from_bytes(raw[:4], 'little'), 4, [], 0
    for _ in range(count):
        flags, start = raw[step_at], step_at + 1
        step_at = start + (flags & 1) + (flags >> 1 & 1) + 2 * (flags >> 2 & 1)
        fields = raw[start:step_at]
        if flags & 8:
            zigzag, step_at = read_varint(raw, step_at)
            aim_x += (zigzag >> 1) ^ -(zigzag & 1)
        start = step_at
        if flags & 16:
            step_at = read_varint(raw, step_at)[1]
        step_at += (flags >> 5 & 1) + (flags >> 6 & 1)
        steps.append([flags & ~8, fields, aim_x, raw[start:step_at]])
    # One step in the middle aims elsewhere; the next returns to the recorded aim.
    edited = next(i for i in range(count // 2, count) if steps[i][2] == steps[i - 1][2])
    steps[edited][2] += shift
    out, before = bytearray(raw[:4]), 0
    for index, (flags, fields, aim_x, rest) in enumerate(steps):
        change = aim_x - before
        marked = change or index == edited
        out += bytes([flags | (8 if marked else 0)]) + fields
        if marked:
            out += write_varint(((change << 1) ^ (change >> 31)) & 0xFFFFFFFF)
        out += rest
        before = aim_x
    out += raw[step_at:]
    packed = zlib.compress(bytes(out), 9)
    head = bytearray(replay[:at + 4]) + len(out).to_bytes(4, 'little') + len(packed).to_bytes(4, 'little')
    return with_crc(head + packed + bytearray(replay[at + 12 + packed_size:]))


def verifier_settings(**more) -> dict:
    """Settings of a server whose verifier is the game built with these tests."""
    game = os.environ['TAVRIK_GAME']
    linked = subprocess.run(['ldd', game], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    # A sanitizer reserves more address space than any sensible limit.
    memory = '0' if b'libasan' in linked else '1024'
    return dict({'TAVRIK_VERIFIER': game, 'TAVRIK_REQUIRE_VERIFIED': '1', 'TAVRIK_VERIFY_MEMORY_MIB': memory,
                 'TAVRIK_VERIFY_SECONDS': '60'}, **more)


class Verification(unittest.TestCase):
    """Replays uploaded as the game sends them, played again by the game's own verifier."""

    @classmethod
    def setUpClass(cls):
        if not os.environ.get('TAVRIK_GAME'):
            raise unittest.SkipTest('TAVRIK_GAME (the built game) not set')
        with open(REFERENCE, 'rb') as f:
            cls.replay = f.read()

    def setUp(self):
        if Server is not PhpServer:
            self.skipTest('the web server plays no part in verification')

    def send(self, server, name: bytes, points: int, replay: bytes, date: bytes = DATE, key: bytes = KEY) -> bytes:
        """Submits the score, then uploads its replay; the upload's reply body."""
        self.assertIn(b'[OK]', server.request(submit_target(name, points, date)))
        return body(server.request(replay_target(name, points, date, key), body=replay))

    def verify(self, server) -> str:
        done = server.admin('verify')
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout.decode()

    def test_only_verified_games_are_listed_and_counted(self):
        with Server(settings=verifier_settings(TAVRIK_SCORES_PER_NAME='1', TAVRIK_MAX_SCORES='1')) as server:
            self.assertEqual(self.send(server, b'Reference', 1, self.replay), b'[OK]\n')
            # Sent again, as a game that saw no answer does.
            self.assertEqual(body(server.request(replay_target(b'Reference', 1, DATE, KEY), body=self.replay)), b'[OK]\n')
            self.assertEqual(parse_top_list(server.request(b'/tavrik/get.php?limit=10')), [])
            out = self.verify(server)
            self.assertIn('verified 1 Reference', out)
            self.assertRegex(out, r'1 replays \(1 verified, 0 rejected\) in [0-9.]+ s: [0-9.]+ replays/s, [0-9.]+ game-minutes/s')
            # Forged submits, correct checksums and no replay: never listed, and they push nothing out.
            for name, points in ((b'Forger', 999999), (b'Reference', 5000)):
                self.assertIn(b'[OK]', server.request(submit_target(name, points, DATE)))
            self.assertIn('0 replays', self.verify(server))
            self.assertEqual(parse_top_list(server.request(b'/tavrik/get.php?limit=10')), [(b'Reference', 1, DATE)])
            statuses = sorted(line.split(' ')[-1] for line in server.admin('list').stdout.decode().splitlines())
            self.assertEqual(statuses, ['pending', 'pending', 'verified'])
            # Scores waiting for their replay go after a week.
            store_probe(server, 'expire', str(int(time.time()) + 8 * 86400))
            self.assertEqual(len(server.admin('list').stdout.splitlines()), 1)
            server.env['TAVRIK_REQUIRE_VERIFIED'] = '0'
            self.assertIn(b'[OK]', server.request(submit_target(b'Forger', 999999, DATE)))
        # With require_verified off every score is listed as it arrives.
        with Server(settings={'TAVRIK_REQUIRE_VERIFIED': '0'}) as server:
            self.assertIn(b'[OK]', server.request(submit_target(b'Forger', 999999, DATE)))
            self.assertEqual(parse_top_list(server.request(b'/tavrik/get.php?limit=10')), [(b'Forger', 999999, DATE)])

    def test_edited_games_are_rejected_and_bad_uploads_refused(self):
        with Server(settings=verifier_settings(TAVRIK_WAITING_PER_SENDER='4')) as server:
            # Points edited consistently, and controls changed: stored, then rejected by the game.
            self.assertEqual(self.send(server, b'Reference', 900, with_points(self.replay, 900)), b'[OK]\n')
            self.assertEqual(self.send(server, b'Reference', 1, with_other_aim(self.replay)), b'[OK]\n')
            out = self.verify(server)
            self.assertEqual(out.count('rejected '), 2, out)
            self.assertEqual(parse_top_list(server.request(b'/tavrik/get.php?limit=10')), [])
            rejected = server.admin('list', '--rejected').stdout.decode()
            self.assertEqual(rejected.count('the game played again differs'), 2, rejected)
            self.assertEqual(server.admin('list').stdout, b'')
            # A rejected score's replay is refused from then on.
            reply = body(server.request(replay_target(b'Reference', 900, DATE, KEY), body=with_points(self.replay, 900)))
            self.assertTrue(reply.startswith(b'[REFUSED] '), reply)

            def refused(name, points, replay, key=KEY, date=DATE):
                reply = body(server.request(replay_target(name, points, date, key), body=replay))
                self.assertTrue(reply.startswith(b'[REFUSED] '), (name, reply))
            refused(b'Reference', 1, self.replay, date=b'01 Jan 2027/00:00:00')  # no such score
            self.assertIn(b'[OK]', server.request(submit_target(b'Somebody', 1, DATE)))
            refused(b'Somebody', 1, self.replay)  # the header names another player
            self.assertIn(b'[OK]', server.request(submit_target(b'Reference', 2, DATE)))
            refused(b'Reference', 2, self.replay)  # other points than the score's
            self.assertIn(b'[OK]', server.request(submit_target(b'Reference', 1, b'02 Jan 2027/00:00:00')))
            for broken in (self.replay[:-1], self.replay[:40], bytes(512), self.replay + b'\0' * (1 << 20),
                           with_other_aim(self.replay, 0)):
                refused(b'Reference', 1, broken, date=b'02 Jan 2027/00:00:00')
            refused(b'Reference', 1, self.replay, key=b'0' * 31, date=b'02 Jan 2027/00:00:00')
            # The same game as the one with edited points, under its own name or a second one.
            refused(b'Reference', 1, self.replay, date=b'02 Jan 2027/00:00:00')
            self.assertIn(b'[OK]', server.request(submit_target(b'Reference2', 1, DATE)))
            renamed = bytearray(self.replay)
            at = 11 + renamed[10] + 1 + renamed[11 + renamed[10]]
            renamed[at + 1 + 8] = ord('2')
            renamed = with_crc(renamed[:at] + bytes([10]) + renamed[at + 1:at + 10] + b'2' + renamed[at + 10:])
            refused(b'Reference2', 1, renamed)
            # Four scores wait now; the fifth is refused until they are verified.
            reply = server.request(submit_target(b'Waiting', 1, DATE))
            self.assertIn(b' 429 ', reply.split(b'\r\n', 1)[0], reply)

    def test_a_name_belongs_to_the_key_of_its_first_verified_score(self):
        with Server(settings=verifier_settings(TAVRIK_SCORES_PER_NAME='0')) as server:
            self.assertEqual(self.send(server, b'Reference', 1, self.replay), b'[OK]\n')
            self.verify(server)
            store_probe(server, 'copies', REFERENCE, OTHER_KEY.decode(), '10 Dec 2026/10:00:00')
            self.assertIn('rejected 1 Reference 10 Dec 2026/10:00:00: name taken', self.verify(server))
            self.assertIn('name taken', server.admin('list', '--rejected').stdout.decode())
            self.assertEqual(server.admin('release', 'Reference').returncode, 0)
            self.assertEqual(server.admin('release', 'Reference').returncode, 1)
            store_probe(server, 'copies', REFERENCE, OTHER_KEY.decode(), '11 Dec 2026/10:00:00')
            self.assertIn('verified 1 Reference 11 Dec 2026/10:00:00', self.verify(server))
            self.assertEqual(len(parse_top_list(server.request(b'/tavrik/get.php?limit=10'))), 2)

    def test_scores_of_the_release_before_are_legacy_and_their_names_free(self):
        with Server(init=False, settings=verifier_settings()) as server:
            store_probe(server, 'unverified', script='old_server_store.php',
                        stdin=json.dumps([['Reference', 7000, DATE.decode()], ['Ann', 300, DATE.decode()]]))
            done = server.admin('init')
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertIn(b'legacy', done.stdout)
            self.assertIn(b'nothing was changed', server.admin('init').stdout)
            self.assertEqual(parse_top_list(server.request(b'/tavrik/get.php?limit=10')), [])
            # The old name belongs to nobody: the first verified score takes it.
            self.assertEqual(self.send(server, b'Reference', 1, self.replay, b'08 Dec 2026/09:00:00'), b'[OK]\n')
            self.assertIn('verified 1 Reference', self.verify(server))
            self.assertEqual(parse_top_list(server.request(b'/tavrik/get.php?limit=10')),
                             [(b'Reference', 1, b'08 Dec 2026/09:00:00')])
            server.env['TAVRIK_REQUIRE_VERIFIED'] = '0'
            self.assertEqual(len(server.admin('list').stdout.splitlines()), 3)

    def test_two_verifiers_at_once_verify_each_score_once(self):
        dates = ['%02d Dec 2026/10:00:00' % day for day in range(1, 17)]
        with Server(settings=verifier_settings(TAVRIK_SCORES_PER_NAME='0')) as server:
            store_probe(server, 'copies', REFERENCE, KEY.decode(), *dates)
            runs = [subprocess.Popen([server.php, os.path.join(php_server.SERVER_DIR, 'admin.php'), 'verify'],
                                     env=server.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE) for _ in range(2)]
            outputs = [run.communicate(timeout=120) for run in runs]
            self.assertEqual([run.returncode for run in runs], [0, 0], outputs)
            verified = sorted(line.split(' ', 3)[3] for out, _ in outputs for line in out.decode().splitlines()
                              if line.startswith('verified '))
            self.assertEqual(verified, dates)
            self.assertEqual(len(parse_top_list(server.request(b'/tavrik/get.php?limit=100'))), 16)

    def test_a_replay_of_an_unknown_build_waits_then_expires(self):
        with Server(settings=verifier_settings(TAVRIK_VERIFIER='/bin/false')) as server:
            self.assertEqual(self.send(server, b'Reference', 1, self.replay), b'[OK]\n')
            self.assertIn('0 replays', self.verify(server))
            self.assertEqual(server.admin('list').stdout.split()[-1], b'unverifiable')
            server.env['TAVRIK_VERIFIER'] = '/bin/false,' + os.environ['TAVRIK_GAME']
            store_probe(server, 'expire', str(int(time.time()) + 29 * 86400))
            self.assertIn('verified 1 Reference', self.verify(server))
            self.assertEqual(self.send(server, b'Reference', 1, with_points(self.replay, 1), b'12 Dec 2026/10:00:00'),
                             b'[REFUSED] game already stored\n')
            store_probe(server, 'copies', REFERENCE, KEY.decode(), '10 Dec 2026/10:00:00')
            server.env['TAVRIK_VERIFIER'] = '/bin/false'
            self.verify(server)
            store_probe(server, 'expire', str(int(time.time()) + 31 * 86400))
            self.assertIn('no verifier for build', server.admin('list', '--rejected').stdout.decode())
            self.assertEqual(len(server.admin('list').stdout.splitlines()), 1)


if __name__ == '__main__':
    if len(sys.argv) > 1 and not sys.argv[1].startswith('-'):
        os.environ['TAVRIK_TEST_DB'] = sys.argv.pop(1)
    if len(sys.argv) > 1 and not sys.argv[1].startswith('-'):
        os.environ['TAVRIK_TEST_WEB'] = sys.argv.pop(1)
    # A test run's timeout ends it with SIGTERM: the database servers are still stopped.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    unittest.main(verbosity=2)
