"""The highscore server over real HTTP, asked exactly as the game asks it."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from php_server import PhpServer, VERSION, md5, parse_top_list, submit_target  # noqa: E402

DATE = b'07 Dec 2026/14:03:59'


def body(reply: bytes) -> bytes:
    return reply.split(b'\r\n\r\n', 1)[1]


class SharedServer(unittest.TestCase):
    """Tests that only add scores of their own share one server."""

    @classmethod
    def setUpClass(cls):
        cls.server = PhpServer().__enter__()

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
                 b'J\xf6rg & Co #1 100%+?', b'\xff\xa0\x80 %20 "quoted" \\back', b'N' * 64]
        for i, name in enumerate(names):
            self.assertIn(b'[OK]', self.submit(name, 7000 + i), name)
        fetched = self.top()
        for i, name in enumerate(names):
            self.assertIn((name, 7000 + i, DATE), fetched)

    def test_malformed_fields_are_refused_even_when_signed(self):
        refused = [(b'', 1, DATE), (b'N' * 65, 1, DATE), (b'A|B', 1, DATE), (b'[A', 1, DATE),
                   (b'A]', 1, DATE), (b'A\rB', 1, DATE), (b'A\nB', 1, DATE), (b'A\x01', 1, DATE),
                   (b'A=B', 1, DATE), (b' Ace', 1, DATE), (b'Ace ', 1, DATE),
                   (b'Bad', 1, b''), (b'Bad', 1, b'7 Dec 2026/14:03:59'), (b'Bad', 1, b'07 Dec 2026 14:03:59'),
                   (b'Bad', 1, b'07 Dez 2026/14:03:59'), (b'Bad', 1, DATE + b']'), (b'Bad', 1, b'07 Dec 2026/24:00:00')]
        for name, points, date in refused:
            reply = self.submit(name, points, date)
            self.assertNotIn(b'[OK]', reply, (name, date))
        for points in (b'2147483648', b'-2147483649', b'1e3', b'+5', b'007', b'-0', b'', b'12 '):
            checksum = md5(b'Bad' + points + DATE + VERSION).encode()
            target = (b'/tavrik/submit.php?name=Bad&points=' + points.replace(b'+', b'%2B').replace(b' ', b'%20')
                      + b'&time=07%20Dec%202026/14:03:59&md5sum=' + checksum + b'&vexpodbuffer=0')
            self.assertNotIn(b'[OK]', self.server.request(target), points)
        array_name = submit_target(b'Bad', 1, DATE).replace(b'name=', b'name[]=')
        self.assertNotIn(b'[OK]', self.server.request(array_name))
        self.assertNotIn(b'[OK]', self.server.request(submit_target(b'Bad', 1, DATE) + b'&pad=' + b'x' * 2000))
        fetched = self.top()
        self.assertFalse([r for r in fetched if r[0] in (b'Bad', b'') or r[1] == 1], fetched)
        # The limits themselves are accepted.
        self.assertIn(b'[OK]', self.submit(b'Edge', 2147483647))
        self.assertIn(b'[OK]', self.submit(b'Edge', -2147483648))

    def test_private_files_are_not_served(self):
        self.submit(b'Someone', 1)
        for path in (b'/private/config.php', b'/private/data/scores.sqlite', b'/private/ScoreStore.php',
                     b'/router.php', b'/tavrik/../private/config.php'):
            reply = self.server.request(path)
            self.assertTrue(reply.startswith(b'HTTP/1.') and b' 404 ' in reply.split(b'\r\n', 1)[0], path)
            self.assertNotIn(b'SQLite', reply)


class TopList(unittest.TestCase):
    """The fetch on a database holding only this test's scores."""

    def test_limits_order_and_exact_grammar(self):
        with PhpServer() as server:
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
        with PhpServer() as empty:
            self.assertEqual(body(empty.request(b'/tavrik/get.php?limit=10&vexpodbuffer=0')), b'[start][end]\n')


if __name__ == '__main__':
    unittest.main(verbosity=2)
