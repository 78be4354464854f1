<?php
declare(strict_types=1);

// The stored scores, bans and request counts, through PDO: SQLite by default, MySQL/MariaDB or
// PostgreSQL by DSN. Names and dates arrive as Latin-1 bytes and are kept as UTF-8 text, so every
// database takes them and gives back the same bytes. Each score keeps its sender's address and
// arrival time for a while, so a flood can be found and removed. The tables are made, or the
// previous server's upgraded, by Initialise (admin init); requests never change the schema. Times
// are the database's clock, so every web server behind one database counts the same minutes.
// A score arrives "pending"; its replay is stored beside it, and a verifier (admin verify) claims
// it, has the game play it again, and makes the score "verified" or deletes it. Only verified
// scores are listed and trimmed unless the host turns that off. A name belongs to the install key
// of its first verified score. Scores from before verification existed are "legacy".
final class ScoreStore
{
    /** The table of scores. */
    public const TABLE = 'tavrik_scores';
    /** One row per stored name; a submission locks its name's row while it adds and trims. */
    private const NAMES = 'tavrik_names';
    /** Names whose submissions are acknowledged and dropped. */
    private const BANS = 'tavrik_bans';
    /** Requests per client address and kind, in the current and the previous window. */
    private const REQUESTS = 'tavrik_requests';
    /** One row holding the number of stored scores, so no submission counts the table. */
    private const TOTALS = 'tavrik_totals';
    /**
     * One row per replay ever stored, by the hash of its seed and controls, with the score it
     * came for. Its file is kept until it is verified or its score goes; the hash stays, so the
     * same game is never taken twice.
     */
    private const REPLAYS = 'tavrik_replays';
    /** Scores the verifier deleted, with the reason, for admin list --rejected. */
    private const REJECTED = 'tavrik_rejected';
    /** Seconds a score waits for its replay before it is deleted. */
    public const REPLAY_WAIT_SECONDS = 7 * 24 * 3600;
    /** Seconds a replay waits for a verifier of its build before its score is deleted. */
    public const VERIFIER_WAIT_SECONDS = 30 * 24 * 3600;
    /** Seconds a rejection is kept for the host to read. */
    private const REJECTED_KEPT_SECONDS = 30 * 24 * 3600;
    /** Longest reason of a rejection kept. */
    private const MAX_REASON_BYTES = 200;
    /** Longest build identity kept. */
    private const MAX_IDENTITY_BYTES = 64;
    /** Key of the single row of TOTALS. */
    private const TOTALS_ROW = 1;
    /** Seconds a request waits for another one's write to finish (SQLite locks the whole file). */
    private const BUSY_TIMEOUT_SECONDS = 5;
    /** Times a write is tried when the database reports a deadlock or serialisation failure. */
    private const WRITE_ATTEMPTS = 6;
    /** Longest client address stored (an IPv6 /64 text is at most 25 bytes). */
    private const MAX_ADDRESS_BYTES = 64;
    /** Seconds of one rate-limit window. */
    private const WINDOW_SECONDS = 60;
    /** Seconds a score keeps its sender's address and arrival time. */
    public const SENDER_KEPT_SECONDS = 30 * 24 * 3600;
    /** One stored submission in this many also clears expired senders and request counts. */
    private const CLEARING_ODDS = 50;
    /** Scores deleted by one statement. */
    private const DELETE_CHUNK = 500;
    /** The columns of each table, by which init knows its tables. */
    private const LAYOUT = [
        self::TABLE => ['id', 'name', 'points', 'played', 'sender', 'arrived', 'status'],
        self::NAMES => ['name', 'owner_key'],
        self::BANS => ['name'],
        self::REQUESTS => ['address', 'kind', 'window_start', 'hits', 'previous'],
        self::TOTALS => ['id', 'scores'],
        self::REPLAYS => ['game_hash', 'name', 'points', 'played', 'build', 'owner_key', 'steps', 'body', 'arrived',
            'claimed', 'claimer'],
        self::REJECTED => ['id', 'name', 'points', 'played', 'reason', 'rejected'],
    ];
    /**
     * The earlier servers' tables that differ, which init upgrades: "first" had no names, totals
     * or senders, "unverified" no status, owners, replays or rejections.
     */
    private const OLD_LAYOUTS = [
        self::TABLE => ['first' => ['id', 'name', 'points', 'played'],
            'unverified' => ['id', 'name', 'points', 'played', 'sender', 'arrived']],
        self::NAMES => ['unverified' => ['name']],
        self::REQUESTS => ['first' => ['address', 'kind', 'minute', 'hits']],
    ];
    /** The definitions of the score columns the first server lacked. */
    private const NEW_SCORE_COLUMNS = ['sender VARCHAR(' . self::MAX_ADDRESS_BYTES . ') NULL', 'arrived BIGINT NULL'];
    /** The score's state; scores kept from before verification are legacy. */
    private const STATUS_COLUMN = "status VARCHAR(12) NOT NULL DEFAULT 'legacy'";
    /** The install key hash a name belongs to; null: nobody yet. */
    private const OWNER_COLUMN = 'owner_key CHAR(64) NULL';
    /** Indexes of the scores by those columns: suffix of the index name => columns. */
    private const SENDER_INDEXES = ['_sender' => 'sender', '_arrived' => 'arrived'];
    /** The index of the listed scores, and of the waiting ones. */
    private const STATUS_INDEXES = ['_status' => 'status, points DESC, id'];

    /** The open database connection. */
    private PDO $db;
    /** PDO's name of the database kind: "sqlite", "mysql" or "pgsql". */
    private string $driver;

    /** Connects to the configured database. */
    public static function Open(ServerConfig $config, bool $creating = false): ScoreStore
    {
        $sqlite = str_starts_with($config->dsn, 'sqlite:');
        if ($sqlite) {
            $path = substr($config->dsn, strlen('sqlite:'));
            // Opening a missing SQLite file would make an empty one: that is init's work.
            if (!$creating && !is_file($path)) {
                throw new MissingSchema();
            }
            if ($creating && !is_dir(dirname($path))) {
                @mkdir(dirname($path), 0770, true);
            }
        }
        $store = new ScoreStore();
        $store->db = new PDO($config->dsn, $config->user ?: null, $config->password ?: null, [
            // Each PHP worker keeps its connection across requests: a PostgreSQL connection costs a
            // new server process, and a SQLite file kept open is not reopened and checkpointed
            // each time. No request leaves a transaction open on it.
            PDO::ATTR_PERSISTENT => true,
            PDO::ATTR_ERRMODE => PDO::ERRMODE_EXCEPTION,
            PDO::ATTR_TIMEOUT => self::BUSY_TIMEOUT_SECONDS,
            PDO::ATTR_EMULATE_PREPARES => false,
        ]);
        $store->driver = $store->db->getAttribute(PDO::ATTR_DRIVER_NAME);
        if ($sqlite) {
            // A write waits for the disk only at checkpoints: a power cut may lose the last
            // scores, never the file.
            $store->db->exec('PRAGMA synchronous=NORMAL');
        }
        return $store;
    }

    /** The database's clock, in seconds since 1970 with fractions. */
    public function Now(): float
    {
        $sql = match ($this->driver) {
            'sqlite' => "SELECT (julianday('now') - 2440587.5) * 86400.0",
            'mysql' => 'SELECT UNIX_TIMESTAMP(NOW(6))',
            default => 'SELECT EXTRACT(EPOCH FROM clock_timestamp())',
        };
        return (float) $this->db->query($sql)->fetchColumn();
    }

    /**
     * Counts one request of the kind ("s" submit, "f" fetch) from the sender (see SenderAddress)
     * at the time (the database's clock when null); false when that makes more than the limit in
     * the last minute (0: no limit, nothing counted). The last minute is estimated from two
     * adjoining windows: all of the current one and the part of the previous one it still covers.
     * One write per request: the sender's row carries both windows.
     */
    public function CountRequest(string $sender, string $kind, int $limit, ?float $now = null): bool
    {
        if ($limit <= 0) {
            return true;
        }
        $sender = substr($sender, 0, self::MAX_ADDRESS_BYTES);
        $now ??= $this->Now();
        $window = (int) floor($now / self::WINDOW_SECONDS);
        $passed = ($now - $window * self::WINDOW_SECONDS) / self::WINDOW_SECONDS;
        [$hits, $previous] = $this->Retrying(function () use ($sender, $kind, $window): array {
            $values = [$sender, $kind, $window];
            $insert = 'INSERT INTO ' . self::REQUESTS . ' (address, kind, window_start, hits, previous) VALUES (?, ?, ?, 1, 0)';
            if ($this->driver === 'mysql') {
                // MySQL assigns left to right, each seeing the ones before: the window moves last.
                $this->Run($insert . ' ON DUPLICATE KEY UPDATE'
                    . ' previous = IF(window_start = VALUES(window_start), previous, IF(window_start = VALUES(window_start) - 1, hits, 0)),'
                    . ' hits = IF(window_start = VALUES(window_start), hits + 1, 1),'
                    . ' window_start = VALUES(window_start)', $values);
                return $this->Run('SELECT hits, previous FROM ' . self::REQUESTS . ' WHERE address = ? AND kind = ?',
                    [$sender, $kind])->fetch(PDO::FETCH_NUM);
            }
            $old = self::REQUESTS;
            return $this->Run($insert . ' ON CONFLICT (address, kind) DO UPDATE SET'
                . " previous = CASE WHEN $old.window_start = excluded.window_start THEN $old.previous"
                . " WHEN $old.window_start = excluded.window_start - 1 THEN $old.hits ELSE 0 END,"
                . " hits = CASE WHEN $old.window_start = excluded.window_start THEN $old.hits + 1 ELSE 1 END,"
                . ' window_start = excluded.window_start RETURNING hits, previous', $values)->fetch(PDO::FETCH_NUM);
        });
        return (int) $previous * (1 - $passed) + (int) $hits <= $limit;
    }

    /**
     * Stores a score under the cleaned name with its sender, pending. Unless only verified scores
     * count (then the verifier trims), it then keeps only the best scoresPerName of that name and
     * the best maxScores in all (0: no limit). Both happen in one transaction that holds the
     * name's lock, so concurrent submissions cannot each trim.
     * Returns false when the score was not stored: the name is banned, or the same name, points
     * and date are stored already.
     */
    public function Add(string $name, int $points, string $date, string $sender, int $scoresPerName, int $maxScores,
        bool $requireVerified = false): bool
    {
        if ($requireVerified) {
            $scoresPerName = $maxScores = 0;
        }
        $name = self::Latin1ToUtf8($name);
        $date = self::Latin1ToUtf8($date);
        $sender = substr($sender, 0, self::MAX_ADDRESS_BYTES);
        $stored = $this->Retrying(fn (): bool => $this->InTransaction(function () use ($name, $points, $date, $sender, $scoresPerName, $maxScores): bool {
            $this->LockName($name);
            if ($this->Run('SELECT 1 FROM ' . self::BANS . ' WHERE name = ?', [$name])->fetchColumn() !== false) {
                return false;
            }
            $now = $this->NowSql();
            $insert = 'INSERT INTO ' . self::TABLE . " (name, points, played, sender, arrived, status) VALUES (?, ?, ?, ?, $now, 'pending')"
                . ($this->driver === 'mysql' ? ' ON DUPLICATE KEY UPDATE id = id' : ' ON CONFLICT DO NOTHING');
            // Nothing inserted: the unique key on name, points and date says it is a replay.
            if ($this->Run($insert, [$name, $points, $date, $sender])->rowCount() === 0) {
                return false;
            }
            $added = 1;
            if ($scoresPerName > 0) {
                $ids = $this->Run('SELECT id FROM ' . self::TABLE . ' WHERE name = ? ORDER BY points DESC, id ASC',
                    [$name])->fetchAll(PDO::FETCH_COLUMN);
                $added -= $this->DeleteIds(array_slice($ids, $scoresPerName));
            }
            // The count row is taken last, so submissions of different names wait for each other
            // only here.
            $count = 'UPDATE ' . self::TOTALS . ' SET scores = scores + ? WHERE id = ?';
            if ($this->driver === 'mysql') {
                $this->Run($count, [$added, self::TOTALS_ROW]);
                $total = $this->Run('SELECT scores FROM ' . self::TOTALS . ' WHERE id = ?', [self::TOTALS_ROW]);
            } else {
                $total = $this->Run($count . ' RETURNING scores', [$added, self::TOTALS_ROW]);
            }
            $total = (int) $total->fetchColumn();
            if ($maxScores > 0 && $total > $maxScores) {
                // The count row stays locked until the commit: one submission at a time trims the total.
                $deleted = $this->DeleteIds($this->Lowest('', [], $total - $maxScores));
                $this->Run('UPDATE ' . self::TOTALS . ' SET scores = scores - ? WHERE id = ?', [$deleted, self::TOTALS_ROW]);
            }
            return true;
        }));
        if ($stored && random_int(1, self::CLEARING_ODDS) === 1) {
            $this->Retrying(fn () => $this->ClearExpired());
            $this->ExpireWaiting();
        }
        return $stored;
    }

    /**
     * The best scores (verified ones only, or all), most points first and the earlier stored first among equals, as lists of
     * [id, name, points, date]. With latin1, name and date are the game's Latin-1 bytes and rows a
     * Latin-1 game could not receive are left out; otherwise they are the stored UTF-8 text.
     */
    public function Top(int $limit, bool $latin1 = true, bool $verifiedOnly = false): array
    {
        $select = $this->db->prepare('SELECT id, name, points, played FROM ' . self::TABLE
            . ($verifiedOnly ? " WHERE status = 'verified'" : '') . ' ORDER BY points DESC, id ASC LIMIT ?');
        $select->bindValue(1, $limit, PDO::PARAM_INT);
        $select->execute();
        $records = [];
        foreach ($select->fetchAll(PDO::FETCH_NUM) as [$id, $name, $points, $date]) {
            $name = $latin1 ? self::Utf8ToLatin1((string) $name) : (string) $name;
            $date = $latin1 ? self::Utf8ToLatin1((string) $date) : (string) $date;
            if ($name !== null && $date !== null) {
                $records[] = [(int) $id, $name, (int) $points, $date];
            }
        }
        return $records;
    }

    /** Ids of the scores stored under the name (Latin-1, cleaned). */
    public function IdsOfName(string $name): array
    {
        return $this->Ids('WHERE name = ?', [self::Latin1ToUtf8($name)]);
    }

    /**
     * Ids of the scores sent from the sender (null: any) that arrived from since to until
     * (seconds since 1970; null: no bound).
     */
    public function IdsSent(?string $sender, ?int $since, ?int $until): array
    {
        $conditions = [];
        $values = [];
        foreach ([['sender = ?', $sender], ['arrived >= ?', $since], ['arrived <= ?', $until]] as [$condition, $value]) {
            if ($value !== null) {
                $conditions[] = $condition;
                $values[] = $value;
            }
        }
        return $conditions ? $this->Ids('WHERE ' . implode(' AND ', $conditions), $values) : [];
    }

    /**
     * Ids of the scores beyond the limits (0: no limit): below the best scoresPerName of their
     * name, or below the best maxScores of the rest; among verified scores only, or all.
     */
    public function IdsBeyondLimits(int $scoresPerName, int $maxScores, bool $verifiedOnly = false): array
    {
        $beyond = [];
        $counted = $verifiedOnly ? "status = 'verified'" : '1 = 1';
        if ($scoresPerName > 0) {
            $crowded = $this->Run('SELECT name FROM ' . self::TABLE . " WHERE $counted GROUP BY name HAVING COUNT(*) > ?",
                [$scoresPerName]);
            foreach ($crowded->fetchAll(PDO::FETCH_COLUMN) as $name) {
                $ids = $this->Ids("WHERE name = ? AND $counted", [$name]);
                array_push($beyond, ...array_slice($ids, $scoresPerName));
            }
        }
        if ($maxScores > 0) {
            $kept = array_diff($this->Ids("WHERE $counted", []), $beyond);
            array_push($beyond, ...array_slice(array_values($kept), $maxScores));
        }
        return $beyond;
    }

    /**
     * The scores with the ids, best first, as lists of [id, points, name, date, sender, arrived,
     * status] with the stored UTF-8 text; sender and arrived are null once cleared.
     */
    public function Rows(array $ids): array
    {
        $rows = [];
        foreach (array_chunk($ids, self::DELETE_CHUNK) as $chunk) {
            $marks = implode(',', array_fill(0, count($chunk), '?'));
            $select = $this->Run('SELECT id, points, name, played, sender, arrived, status FROM ' . self::TABLE
                . " WHERE id IN ($marks)", $chunk);
            foreach ($select->fetchAll(PDO::FETCH_NUM) as [$id, $points, $name, $date, $sender, $arrived, $status]) {
                $rows[] = [(int) $id, (int) $points, (string) $name, (string) $date,
                    $sender === null ? null : (string) $sender, $arrived === null ? null : (int) $arrived, (string) $status];
            }
        }
        usort($rows, fn ($a, $b) => [$b[1], $a[0]] <=> [$a[1], $b[0]]);
        return $rows;
    }

    /** Deletes the scores with the ids; returns how many went. */
    public function Delete(array $ids): int
    {
        $deleted = $this->DeleteIds($ids);
        $this->Recount();
        return $deleted;
    }

    /** Bans the name (Latin-1, cleaned) and deletes its scores; returns how many were deleted. */
    public function Ban(string $name): int
    {
        $name = self::Latin1ToUtf8($name);
        if ($this->Run('SELECT 1 FROM ' . self::BANS . ' WHERE name = ?', [$name])->fetchColumn() === false) {
            $this->Run('INSERT INTO ' . self::BANS . ' (name) VALUES (?)', [$name]);
        }
        $deleted = $this->Run('DELETE FROM ' . self::TABLE . ' WHERE name = ?', [$name])->rowCount();
        $this->Recount();
        return $deleted;
    }

    /** Lifts the ban of the name; false when it was not banned. */
    public function Unban(string $name): bool
    {
        return $this->Run('DELETE FROM ' . self::BANS . ' WHERE name = ?', [self::Latin1ToUtf8($name)])->rowCount() > 0;
    }

    /** Scores from the sender waiting for their replay or a verifier. */
    public function WaitingFrom(string $sender): int
    {
        return (int) $this->Run('SELECT COUNT(*) FROM ' . self::TABLE . " WHERE sender = ? AND status IN ('pending', 'unverifiable')",
            [substr($sender, 0, self::MAX_ADDRESS_BYTES)])->fetchColumn();
    }

    /**
     * Stores the replay for its pending score, from the install key with the hash; "" when it is
     * stored now or was before, else why it is refused (final: the game stops sending it).
     */
    public function AddReplay(Submission $score, ReplayFile $replay, string $bytes, string $ownerKey): string
    {
        $name = self::Latin1ToUtf8($score->name);
        $date = self::Latin1ToUtf8($score->date);
        $key = [$name, $score->points, $date];
        return $this->Retrying(fn (): string => $this->InTransaction(function () use ($key, $name, $replay, $bytes, $ownerKey): string {
            // Two replays for one score cannot both get in.
            $this->LockName($name);
            $status = $this->Run('SELECT status FROM ' . self::TABLE . ' WHERE name = ? AND points = ? AND played = ?',
                $key)->fetchColumn();
            $same = $this->Run('SELECT name, points, played FROM ' . self::REPLAYS . ' WHERE game_hash = ?',
                [$replay->gameHash])->fetch(PDO::FETCH_NUM);
            if ($status === false) {
                return 'unknown or refused score';
            }
            if ($same !== false) {
                // The game sends again what it saw no answer to.
                return [(string) $same[0], (int) $same[1], (string) $same[2]] === $key ? '' : 'game already stored';
            }
            $other = $this->Run('SELECT 1 FROM ' . self::REPLAYS . ' WHERE name = ? AND points = ? AND played = ? AND body IS NOT NULL',
                $key)->fetchColumn();
            if ($other !== false || !in_array($status, ['pending', 'unverifiable'], true)) {
                return 'score has another replay';
            }
            $this->Run('INSERT INTO ' . self::REPLAYS . ' (game_hash, name, points, played, build, owner_key, steps, body, arrived)'
                . ' VALUES (?, ?, ?, ?, ?, ?, ?, ?, ' . $this->NowSql() . ')',
                [$replay->gameHash, ...$key, substr($replay->identity, 0, self::MAX_IDENTITY_BYTES), $ownerKey, $replay->steps,
                    base64_encode($bytes)]);
            $this->Run('UPDATE ' . self::TABLE . " SET status = 'pending' WHERE name = ? AND points = ? AND played = ?", $key);
            return '';
        }));
    }

    /**
     * Marks the scores whose replay is of a build no verifier here plays as unverifiable, and
     * those of a build one plays as pending again; the builds are the verifiers' identities.
     */
    public function SortByBuild(array $builds): void
    {
        $marks = $builds ? implode(',', array_fill(0, count($builds), '?')) : "''";
        $match = 'EXISTS (SELECT 1 FROM ' . self::REPLAYS . ' r WHERE r.name = ' . self::TABLE . '.name AND r.points = '
            . self::TABLE . '.points AND r.played = ' . self::TABLE . ".played AND r.body IS NOT NULL AND r.build %s IN ($marks))";
        $this->Retrying(fn () => $this->InTransaction(function () use ($match, $builds): void {
            $this->Run('UPDATE ' . self::TABLE . " SET status = 'unverifiable' WHERE status = 'pending' AND "
                . sprintf($match, 'NOT'), $builds);
            $this->Run('UPDATE ' . self::TABLE . " SET status = 'pending' WHERE status = 'unverifiable' AND "
                . sprintf($match, ''), $builds);
        }));
    }

    /**
     * Claims the oldest replay waiting for one of the builds that no other verifier holds (or
     * whose verifier has held it since before staleBefore, so it died), under the claimer's token.
     * Returns [hash, name, points, date, build, steps, file bytes] with the stored UTF-8 text, or
     * null when none waits. PostgreSQL and MySQL skip the rows other verifiers are claiming;
     * SQLite's immediate transaction lets one claim at a time.
     */
    public function Claim(array $builds, string $claimer, int $staleBefore): ?array
    {
        if (!$builds) {
            return null;
        }
        $marks = implode(',', array_fill(0, count($builds), '?'));
        $lock = match ($this->driver) {
            'pgsql' => ' FOR UPDATE OF r SKIP LOCKED',
            'mysql' => ' FOR UPDATE SKIP LOCKED',
            default => '',
        };
        return $this->Retrying(fn (): ?array => $this->InTransaction(function () use ($builds, $marks, $lock, $claimer, $staleBefore): ?array {
            $row = $this->Run('SELECT r.game_hash, r.name, r.points, r.played, r.build, r.steps, r.body FROM ' . self::REPLAYS . ' r JOIN '
                . self::TABLE . ' s ON s.name = r.name AND s.points = r.points AND s.played = r.played'
                . " WHERE s.status = 'pending' AND r.body IS NOT NULL AND r.build IN ($marks)"
                . ' AND (r.claimed IS NULL OR r.claimed < ?) ORDER BY r.arrived, r.game_hash LIMIT 1' . $lock,
                [...$builds, $staleBefore])->fetch(PDO::FETCH_NUM);
            if ($row === false) {
                return null;
            }
            $this->Run('UPDATE ' . self::REPLAYS . ' SET claimed = ' . $this->NowSql() . ', claimer = ? WHERE game_hash = ?',
                [$claimer, $row[0]]);
            $body = is_resource($row[6]) ? stream_get_contents($row[6]) : (string) $row[6];
            return [(string) $row[0], (string) $row[1], (int) $row[2], (string) $row[3], (string) $row[4], (int) $row[5],
                (string) base64_decode($body, true)];
        }));
    }

    /**
     * The game played again gave the score: it becomes verified, unless its name belongs to
     * another install key; the first verified score binds the name to its key. Then the best
     * scoresPerName of the name and maxScores in all (0: no limit) are kept among the verified
     * scores when only those count. Returns "" when verified, else the reason it was rejected;
     * null when the claim was lost to another verifier.
     */
    public function Verified(string $hash, string $claimer, int $scoresPerName, int $maxScores, bool $requireVerified): ?string
    {
        return $this->Retrying(fn (): ?string => $this->InTransaction(function () use ($hash, $claimer, $scoresPerName, $maxScores, $requireVerified): ?string {
            $replay = $this->ClaimedReplay($hash, $claimer);
            if ($replay === null) {
                return null;
            }
            [$name, $points, $date, $ownerKey] = $replay;
            $this->LockName($name);
            $key = [$name, $points, $date];
            $status = $this->Run('SELECT status FROM ' . self::TABLE . ' WHERE name = ? AND points = ? AND played = ?',
                $key)->fetchColumn();
            if ($status !== 'pending') {
                // The host deleted the score meanwhile.
                $this->Run('UPDATE ' . self::REPLAYS . ' SET body = NULL, claimer = NULL WHERE game_hash = ?', [$hash]);
                return null;
            }
            $owner = $this->Run('SELECT owner_key FROM ' . self::NAMES . ' WHERE name = ?', [$name])->fetchColumn();
            if (is_string($owner) && $owner !== $ownerKey) {
                $this->RejectScore($hash, $name, $points, $date, 'name taken');
                return 'name taken';
            }
            $this->Run('UPDATE ' . self::NAMES . ' SET owner_key = ? WHERE name = ?', [$ownerKey, $name]);
            $this->Run('UPDATE ' . self::TABLE . " SET status = 'verified' WHERE name = ? AND points = ? AND played = ?", $key);
            $this->Run('UPDATE ' . self::REPLAYS . ' SET body = NULL, claimer = NULL WHERE game_hash = ?', [$hash]);
            if ($requireVerified) {
                $verified = "status = 'verified'";
                $ids = $scoresPerName > 0
                    ? array_slice($this->Ids("WHERE name = ? AND $verified", [$name]), $scoresPerName) : [];
                $this->DeleteIds($ids);
                $count = (int) $this->Run('SELECT COUNT(*) FROM ' . self::TABLE . " WHERE $verified", [])->fetchColumn();
                if ($maxScores > 0 && $count > $maxScores) {
                    $this->DeleteIds($this->Lowest("WHERE $verified", [], $count - $maxScores));
                }
                $this->Recount();
            }
            return '';
        }));
    }

    /** The replay played otherwise: its score is deleted, the reason kept. False when the claim was lost. */
    public function Rejected(string $hash, string $claimer, string $reason): bool
    {
        return $this->Retrying(fn (): bool => $this->InTransaction(function () use ($hash, $claimer, $reason): bool {
            $replay = $this->ClaimedReplay($hash, $claimer);
            if ($replay !== null) {
                $this->RejectScore($hash, $replay[0], $replay[1], $replay[2], $reason);
            }
            return $replay !== null;
        }));
    }

    /**
     * The rejections of the last 30 days, the latest first, as lists of [time, points, name,
     * date, reason] with the stored UTF-8 text.
     */
    public function RejectedScores(int $limit): array
    {
        $select = $this->db->prepare('SELECT rejected, points, name, played, reason FROM ' . self::REJECTED
            . ' ORDER BY rejected DESC, id DESC LIMIT ?');
        $select->bindValue(1, $limit, PDO::PARAM_INT);
        $select->execute();
        return array_map(fn ($r) => [(int) $r[0], (int) $r[1], (string) $r[2], (string) $r[3], (string) $r[4]],
            $select->fetchAll(PDO::FETCH_NUM));
    }

    /** Frees the name (Latin-1, cleaned) from its install key; false when it belonged to nobody. */
    public function Release(string $name): bool
    {
        return $this->Run('UPDATE ' . self::NAMES . ' SET owner_key = NULL WHERE name = ? AND owner_key IS NOT NULL',
            [self::Latin1ToUtf8($name)])->rowCount() > 0;
    }

    /**
     * Deletes the scores that waited too long: for their replay (7 days), or for a verifier of
     * their replay's build (30 days, kept as rejected); returns how many went.
     */
    public function ExpireWaiting(?int $now = null): int
    {
        $now ??= (int) $this->Now();
        $replayOf = 'SELECT %s FROM ' . self::REPLAYS . ' r WHERE r.name = ' . self::TABLE . '.name AND r.points = '
            . self::TABLE . '.points AND r.played = ' . self::TABLE . '.played AND r.body IS NOT NULL';
        return $this->Retrying(fn (): int => $this->InTransaction(function () use ($now, $replayOf): int {
            $deleted = $this->Run('DELETE FROM ' . self::TABLE . " WHERE status = 'pending' AND arrived < ? AND NOT EXISTS ("
                . sprintf($replayOf, '1') . ')', [$now - self::REPLAY_WAIT_SECONDS])->rowCount();
$this->Run('DELETE FROM ' . self::REJECTED . ' WHERE rejected < ?', [$now - self::REJECTED_KEPT_SECONDS]);
            $stale = $this->Run('SELECT r.game_hash, r.name, r.points, r.played, r.build FROM ' . self::REPLAYS . ' r JOIN '
                . self::TABLE . " s ON s.name = r.name AND s.points = r.points AND s.played = r.played WHERE s.status = 'unverifiable'"
                . ' AND r.body IS NOT NULL AND r.arrived < ?', [$now - self::VERIFIER_WAIT_SECONDS])->fetchAll(PDO::FETCH_NUM);
            foreach ($stale as [$hash, $name, $points, $date, $build]) {
                $this->RejectScore((string) $hash, (string) $name, (int) $points, (string) $date,
                    "no verifier for build $build in 30 days");
                ++$deleted;
            }
            // The files of scores deleted by the host or the limits are no longer wanted.
            $this->Run('UPDATE ' . self::REPLAYS . ' SET body = NULL WHERE body IS NOT NULL AND NOT EXISTS (SELECT 1 FROM '
                . self::TABLE . ' s WHERE s.name = ' . self::REPLAYS . '.name AND s.points = ' . self::REPLAYS
                . '.points AND s.played = ' . self::REPLAYS . '.played)', []);
            if ($deleted > 0) {
                $this->Recount();
            }
            return $deleted;
        }));
    }

    /** [name, points, date, owner key] of the replay while the claimer holds it, else null. */
    private function ClaimedReplay(string $hash, string $claimer): ?array
    {
        $row = $this->Run('SELECT name, points, played, owner_key FROM ' . self::REPLAYS . ' WHERE game_hash = ? AND claimer = ?'
            . ($this->driver === 'sqlite' ? '' : ' FOR UPDATE'), [$hash, $claimer])->fetch(PDO::FETCH_NUM);
        return $row === false ? null : [(string) $row[0], (int) $row[1], (string) $row[2], (string) $row[3]];
    }

    /** Deletes the replay's score and keeps the reason; the replay's hash stays. */
    private function RejectScore(string $hash, string $name, int $points, string $date, string $reason): void
    {
        $deleted = $this->Run('DELETE FROM ' . self::TABLE . ' WHERE name = ? AND points = ? AND played = ?',
            [$name, $points, $date])->rowCount();
        $this->Run('UPDATE ' . self::TOTALS . ' SET scores = scores - ? WHERE id = ?', [$deleted, self::TOTALS_ROW]);
        $this->Run('UPDATE ' . self::REPLAYS . ' SET body = NULL, claimer = NULL WHERE game_hash = ?', [$hash]);
        $this->Run('INSERT INTO ' . self::REJECTED . ' (name, points, played, reason, rejected) VALUES (?, ?, ?, ?, '
            . $this->NowSql() . ')', [$name, $points, $date, substr($reason, 0, self::MAX_REASON_BYTES)]);
    }

    /** The database's clock in whole seconds, as SQL. */
    private function NowSql(): string
    {
        return match ($this->driver) {
            'sqlite' => "CAST(strftime('%s', 'now') AS INTEGER)",
            'mysql' => 'UNIX_TIMESTAMP()',
            default => 'CAST(EXTRACT(EPOCH FROM now()) AS BIGINT)',
        };
    }

    /** Clears senders past their time and request counts of past windows. */
    public function ClearExpired(?int $now = null): void
    {
        $now ??= (int) $this->Now();
        $this->Run('UPDATE ' . self::TABLE . ' SET sender = NULL, arrived = NULL WHERE arrived < ?',
            [$now - self::SENDER_KEPT_SECONDS]);
        $this->Run('DELETE FROM ' . self::REQUESTS . ' WHERE window_start < ?',
            [intdiv($now, self::WINDOW_SECONDS) - 1]);
    }

    /**
     * Brings the database to this server's tables and says what it did, one line each: makes them
     * on a database without them, upgrades the previous server's tables keeping every score, and
     * changes nothing when they are current. Throws UnknownSchema, before changing anything, for
     * tables it does not recognise. One transaction on SQLite and PostgreSQL; MySQL commits each
     * change of a table at once, so there an interrupted upgrade is finished by running it again.
     */
    public function Initialise(): array
    {
        $found = [];
        foreach (self::LAYOUT as $table => $columns) {
            $have = $this->Columns($table);
            if ($have === []) {
                continue;
            }
            $old = array_filter(self::OLD_LAYOUTS[$table] ?? [], fn ($layout) => self::Sorted($layout) === $have);
            if ($have === self::Sorted($columns)) {
                // MySQL may have been interrupted between making the count and filling it.
                $empty = $table === self::TOTALS && (int) $this->Run("SELECT COUNT(*) FROM $table", [])->fetchColumn() === 0;
                $found[$table] = $empty ? 'empty' : 'current';
            } elseif ($old) {
                $found[$table] = array_key_first($old);
            } else {
                throw new UnknownSchema("the table $table has columns this server does not know ("
                    . implode(', ', $have) . '); nothing was changed');
            }
        }
        if ($found === []) {
            $this->ChangeSchema(fn () => $this->Exec(array_merge(...array_values($this->TableStatements()))));
            return ['tables created'];
        }
        if (!isset($found[self::TABLE])) {
            throw new UnknownSchema('the database has tables of this server but not ' . self::TABLE
                . '; nothing was changed');
        }
        if (count($found) === count(self::LAYOUT) && array_diff($found, ['current']) === []) {
            return ['the tables are current; nothing was changed'];
        }
        return $this->ChangeSchema(fn (): array => $this->Upgrade($found));
    }

    /** Whether the exception says a table or column is missing: init has not made or upgraded them. */
    public static function LacksSchema(PDOException $e): bool
    {
        // 42S02 and 42S22 MySQL, 42P01 and 42703 PostgreSQL; SQLite reports a general error.
        return in_array((string) $e->getCode(), ['42S02', '42S22', '42P01', '42703'], true)
            || (bool) preg_match('/no such (table|column)|has no column named/', $e->getMessage());
    }

    /**
     * Turns the tables found (name => "first", "unverified", "empty" or "current") into this
     * server's. The scores keep their ids; from the first server they have no sender or arrival
     * time, as if cleared; they are legacy, and their names belong to nobody. The request counts
     * start afresh, as they would two minutes later anyway.
     */
    private function Upgrade(array $found): array
    {
        $statements = $this->TableStatements();
        $done = [];
        $replaced = false;
        $scores = $found[self::TABLE];
        if ($scores !== 'current') {
            $first = $scores === 'first';
            $this->AddColumns(self::TABLE, $first ? [...self::NEW_SCORE_COLUMNS, self::STATUS_COLUMN] : [self::STATUS_COLUMN],
                $first ? self::SENDER_INDEXES + self::STATUS_INDEXES : self::STATUS_INDEXES);
            $done[] = self::TABLE . ($first ? ': sender, arrival and status columns added; the scores kept have no sender'
                : ': status column added') . ' and are legacy: listed only with require_verified off';
        }
        if (($found[self::NAMES] ?? '') === 'unverified') {
            $this->AddColumns(self::NAMES, [self::OWNER_COLUMN], []);
            $done[] = self::NAMES . ': owner column added; the names kept belong to nobody';
        }
        if (($found[self::REQUESTS] ?? '') === 'first') {
            $this->Exec(['DROP TABLE ' . self::REQUESTS]);
            unset($found[self::REQUESTS]);
            $replaced = true;
        }
        if (($found[self::TOTALS] ?? '') === 'empty') {
            // The statement after the one that makes the table fills it.
            $this->Exec(array_slice($statements[self::TOTALS], 1));
            $done[] = self::TOTALS . ': filled from the scores kept';
        }
        foreach ($statements as $table => $create) {
            if (!isset($found[$table])) {
                $this->Exec($create);
                $done[] = $table . match (true) {
                    $replaced && $table === self::REQUESTS => ': replaced by the new layout, the old counts dropped',
                    $table === self::NAMES || $table === self::TOTALS => ': created from the scores kept',
                    default => ': created',
                };
            }
        }
        $scores = (int) $this->Run('SELECT COUNT(*) FROM ' . self::TABLE, [])->fetchColumn();
        $done[] = "upgraded; $scores scores kept";
        return $done;
    }

    /**
     * The statements that make each table with its indexes, in the order they are made; the names
     * and the count are filled from the scores already stored, so they also serve an upgrade.
     */
    private function TableStatements(): array
    {
        $id = match ($this->driver) {
            'sqlite' => 'INTEGER PRIMARY KEY',
            'mysql' => 'BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY',
            'pgsql' => 'BIGSERIAL PRIMARY KEY',
            default => 'INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY',
        };
        // MySQL's default collation would take "ace" and "Ace" for the same name.
        $text = $this->driver === 'mysql' ? ' CHARACTER SET utf8mb4 COLLATE utf8mb4_bin' : '';
        $engine = $this->driver === 'mysql' ? ' ENGINE=InnoDB' : '';
        $name = 'VARCHAR(' . Submission::MAX_NAME_BYTES . ")$text NOT NULL";
        [$sender, $arrived] = self::NEW_SCORE_COLUMNS;
        return [
            self::TABLE => [
                'CREATE TABLE ' . self::TABLE . " (
                    id $id,
                    name $name,
                    points INTEGER NOT NULL,
                    played VARCHAR(20)$text NOT NULL,
                    $sender,
                    $arrived,
                    " . self::STATUS_COLUMN . ",
                    UNIQUE (name, points, played))$engine",
                // The top list and the lowest scores are read in these orders.
                'CREATE INDEX ' . self::TABLE . '_rank ON ' . self::TABLE . ' (points DESC, id)',
                'CREATE INDEX ' . self::TABLE . '_name ON ' . self::TABLE . ' (name, points DESC, id)',
                ...$this->ScoreIndexes(self::SENDER_INDEXES + self::STATUS_INDEXES),
            ],
            self::NAMES => [
                'CREATE TABLE ' . self::NAMES . " (name $name PRIMARY KEY, " . self::OWNER_COLUMN . ")$engine",
                'INSERT INTO ' . self::NAMES . ' (name) SELECT DISTINCT name FROM ' . self::TABLE,
            ],
            self::BANS => ['CREATE TABLE ' . self::BANS . " (name $name PRIMARY KEY)$engine"],
            self::REQUESTS => [
                'CREATE TABLE ' . self::REQUESTS . ' (address VARCHAR(' . self::MAX_ADDRESS_BYTES . ') NOT NULL,
                    kind CHAR(1) NOT NULL, window_start BIGINT NOT NULL, hits INTEGER NOT NULL,
                    previous INTEGER NOT NULL, PRIMARY KEY (address, kind))' . $engine,
                'CREATE INDEX ' . self::REQUESTS . '_window ON ' . self::REQUESTS . ' (window_start)',
            ],
            self::TOTALS => [
                'CREATE TABLE ' . self::TOTALS . " (id INTEGER NOT NULL PRIMARY KEY, scores BIGINT NOT NULL)$engine",
                'INSERT INTO ' . self::TOTALS . ' (id, scores) SELECT ' . self::TOTALS_ROW . ', COUNT(*) FROM ' . self::TABLE,
            ],
            // The file travels as base64 text, which every database stores alike.
            self::REPLAYS => [
                'CREATE TABLE ' . self::REPLAYS . " (game_hash CHAR(64) NOT NULL PRIMARY KEY, name $name,
                    points INTEGER NOT NULL, played VARCHAR(20)$text NOT NULL,
                    build VARCHAR(" . self::MAX_IDENTITY_BYTES . ")$text NOT NULL, owner_key CHAR(64) NOT NULL,
                    steps INTEGER NOT NULL, body " . ($this->driver === 'mysql' ? 'MEDIUMTEXT' : 'TEXT') . ' NULL,
                    arrived BIGINT NOT NULL, claimed BIGINT NULL, claimer CHAR(32) NULL)' . $engine,
                'CREATE INDEX ' . self::REPLAYS . '_score ON ' . self::REPLAYS . ' (name, points, played)',
            ],
            self::REJECTED => [
                'CREATE TABLE ' . self::REJECTED . " (id $id, name $name, points INTEGER NOT NULL,
                    played VARCHAR(20)$text NOT NULL, reason VARCHAR(" . self::MAX_REASON_BYTES . ")$text NOT NULL,
                    rejected BIGINT NOT NULL)$engine",
                'CREATE INDEX ' . self::REJECTED . '_time ON ' . self::REJECTED . ' (rejected)',
            ],
        ];
    }

    /** Adds the columns and the indexes (suffix => columns) to an existing table. */
    private function AddColumns(string $table, array $columns, array $indexes): void
    {
        $add = array_map(fn ($column) => "ADD COLUMN $column", $columns);
        if ($this->driver === 'mysql') {
            // One statement, so an interruption leaves the old table or the new one.
            foreach ($indexes as $index => $indexed) {
                $add[] = "ADD INDEX $table$index ($indexed)";
            }
            $this->Exec(["ALTER TABLE $table " . implode(', ', $add)]);
            return;
        }
        // SQLite adds one column a statement.
        $this->Exec(array_merge(array_map(fn ($change) => "ALTER TABLE $table $change", $add),
            $this->ScoreIndexes($indexes)));
    }

    /**
     * The statements making the score indexes (suffix => columns): those that find a flood by
     * sender or time and the senders past their time, and the one by status.
     */
    private function ScoreIndexes(array $indexes): array
    {
        $statements = [];
        foreach ($indexes as $index => $columns) {
            $statements[] = 'CREATE INDEX ' . self::TABLE . "$index ON " . self::TABLE . " ($columns)";
        }
        return $statements;
    }

    /** The table's column names, sorted; none when there is no such table. */
    private function Columns(string $table): array
    {
        $sql = match ($this->driver) {
            'sqlite' => 'SELECT name FROM pragma_table_info(?)',
            'mysql' => 'SELECT column_name FROM information_schema.columns WHERE table_schema = DATABASE() AND table_name = ?',
            default => 'SELECT column_name FROM information_schema.columns WHERE table_schema = current_schema() AND table_name = ?',
        };
        return self::Sorted(array_map('strtolower', $this->Run($sql, [$table])->fetchAll(PDO::FETCH_COLUMN)));
    }

    /**
     * Runs a change of the tables in one transaction where the database has transactional DDL
     * (SQLite, PostgreSQL), so a failure leaves the tables as they were.
     */
    private function ChangeSchema(callable $work): mixed
    {
        if ($this->driver === 'sqlite') {
            // Readers need not wait for a writer; the mode stays with the file and cannot change
            // inside a transaction.
            $this->db->exec('PRAGMA journal_mode=WAL');
        }
        return $this->driver === 'mysql' ? $work() : $this->InTransaction($work);
    }

    /** Runs the statements in turn. */
    private function Exec(array $statements): void
    {
        foreach ($statements as $statement) {
            $this->db->exec($statement);
        }
    }

    /** The names in order, so two lists compare alike whatever order the database gave. */
    private static function Sorted(array $names): array
    {
        sort($names);
        return $names;
    }

    /**
     * Takes the name's lock for the rest of the transaction: its row in the names table, made
     * when missing; writing the row locks it. On SQLite the immediate transaction already
     * excludes every other writer.
     */
    private function LockName(string $name): void
    {
        $this->Run('INSERT INTO ' . self::NAMES . ' (name) VALUES (?) ' . match ($this->driver) {
            'sqlite' => 'ON CONFLICT DO NOTHING',
            'mysql' => 'ON DUPLICATE KEY UPDATE name = VALUES(name)',
            default => 'ON CONFLICT (name) DO UPDATE SET name = excluded.name',
        }, [$name]);
    }

    /**
     * Runs the work in a transaction and commits it; rolls back on failure. On SQLite it is an
     * immediate transaction, which takes the write lock at once rather than at the first write.
     */
    private function InTransaction(callable $work): mixed
    {
        $sqlite = $this->driver === 'sqlite';
        $sqlite ? $this->db->exec('BEGIN IMMEDIATE') : $this->db->beginTransaction();
        try {
            $result = $work();
            $sqlite ? $this->db->exec('COMMIT') : $this->db->commit();
            return $result;
        } catch (Throwable $e) {
            $sqlite ? $this->db->exec('ROLLBACK') : $this->db->rollBack();
            throw $e;
        }
    }

    /** Ids of the scores the condition selects, best first. */
    private function Ids(string $where, array $values): array
    {
        return array_map('intval', $this->Run('SELECT id FROM ' . self::TABLE . " $where ORDER BY points DESC, id ASC",
            $values)->fetchAll(PDO::FETCH_COLUMN));
    }

    /** Ids of the lowest count scores the condition selects (fewest points, then the later stored). */
    private function Lowest(string $where, array $values, int $count): array
    {
        return $this->Run('SELECT id FROM ' . self::TABLE . " $where ORDER BY points ASC, id DESC LIMIT "
            . $count, $values)->fetchAll(PDO::FETCH_COLUMN);
    }

    /** Deletes the scores with the ids, in chunks; returns how many went. */
    private function DeleteIds(array $ids): int
    {
        $deleted = 0;
        foreach (array_chunk($ids, self::DELETE_CHUNK) as $chunk) {
            $marks = implode(',', array_fill(0, count($chunk), '?'));
            $deleted += $this->Run('DELETE FROM ' . self::TABLE . " WHERE id IN ($marks)", $chunk)->rowCount();
        }
        return $deleted;
    }

    /** Sets the stored count to the table's: after the host deleted scores. */
    private function Recount(): void
    {
        $this->Run('UPDATE ' . self::TOTALS . ' SET scores = (SELECT COUNT(*) FROM ' . self::TABLE . ') WHERE id = ?',
            [self::TOTALS_ROW]);
    }

    /** Prepares and runs one statement with its values. */
    private function Run(string $sql, array $values): PDOStatement
    {
        $statement = $this->db->prepare($sql);
        foreach (array_values($values) as $i => $value) {
            $statement->bindValue($i + 1, $value, is_int($value) ? PDO::PARAM_INT : PDO::PARAM_STR);
        }
        $statement->execute();
        return $statement;
    }

    /**
     * Runs the work, again when the database broke it off for a deadlock, a serialisation failure
     * or a busy file; the work is safe to repeat.
     */
    private function Retrying(callable $work): mixed
    {
        for ($attempt = 1; ; ++$attempt) {
            try {
                return $work();
            } catch (PDOException $e) {
                $code = (string) $e->getCode();
                $retry = $code === '40001' || $code === '40P01' || str_contains($e->getMessage(), 'database is locked');
                if (!$retry || $attempt >= self::WRITE_ATTEMPTS) {
                    throw $e;
                }
                usleep(random_int(1000, 20000));
            }
        }
    }

    /** Each byte as the Unicode character of the same code. */
    public static function Latin1ToUtf8(string $bytes): string
    {
        return preg_replace_callback('/[\x80-\xFF]/',
            fn ($m) => chr(0xC0 | (ord($m[0]) >> 6)) . chr(0x80 | (ord($m[0]) & 0x3F)), $bytes);
    }

    /** Back to one byte per character; null when the text is not UTF-8 or has codes above 255. */
    public static function Utf8ToLatin1(string $text): ?string
    {
        if (!preg_match('//u', $text) || preg_match('/[^\x{00}-\x{FF}]/u', $text)) {
            return null;
        }
        return preg_replace_callback('/[\xC2\xC3][\x80-\xBF]/',
            fn ($m) => chr(((ord($m[0][0]) & 0x03) << 6) | (ord($m[0][1]) & 0x3F)), $text);
    }
}

/** Thrown when the database has no schema yet: admin init was not run. */
final class MissingSchema extends RuntimeException
{
}

/** Thrown by init for tables it neither made nor can upgrade; the message says which. */
final class UnknownSchema extends RuntimeException
{
}
