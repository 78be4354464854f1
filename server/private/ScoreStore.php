<?php
declare(strict_types=1);

// The stored scores, bans and request counts, through PDO: SQLite by default, MySQL/MariaDB or
// PostgreSQL by DSN. Names and dates arrive as Latin-1 bytes and are kept as UTF-8 text, so every
// database takes them and gives back the same bytes. The tables are made once by CreateSchema
// (php server/admin.php init); requests never change the schema.
final class ScoreStore
{
    /** The table of scores. */
    public const TABLE = 'tavrik_scores';
    /** Names whose submissions are acknowledged and dropped. */
    private const BANS = 'tavrik_bans';
    /** Requests per client address, kind and minute. */
    private const REQUESTS = 'tavrik_requests';
    /** Seconds a request waits for another one's write to finish (SQLite locks the whole file). */
    private const BUSY_TIMEOUT_SECONDS = 5;
    /** Times a write is tried when the database reports a deadlock or serialisation failure. */
    private const WRITE_ATTEMPTS = 4;
    /** Longest client address stored (an IPv6 text is at most 45 bytes). */
    private const MAX_ADDRESS_BYTES = 64;
    /** Seconds of one rate-limit window. */
    private const WINDOW_SECONDS = 60;

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

    /**
     * Counts one request of the kind ("s" submit, "f" fetch) from the address in the current
     * minute; false when that makes more than the limit (0: no limit, nothing counted).
     */
    public function CountRequest(string $address, string $kind, int $limit): bool
    {
        if ($limit <= 0) {
            return true;
        }
        $address = substr($address, 0, self::MAX_ADDRESS_BYTES);
        $minute = intdiv(time(), self::WINDOW_SECONDS);
        $hits = $this->Retrying(function () use ($address, $kind, $minute): int {
            $upsert = $this->driver === 'mysql'
                ? 'INSERT INTO ' . self::REQUESTS . ' (address, kind, minute, hits) VALUES (?, ?, ?, 1)'
                    . ' ON DUPLICATE KEY UPDATE hits = hits + 1'
                : 'INSERT INTO ' . self::REQUESTS . ' (address, kind, minute, hits) VALUES (?, ?, ?, 1)'
                    . ' ON CONFLICT (address, kind, minute) DO UPDATE SET hits = ' . self::REQUESTS . '.hits + 1';
            $this->Run($upsert, [$address, $kind, $minute]);
            $select = $this->Run('SELECT hits FROM ' . self::REQUESTS . ' WHERE address = ? AND kind = ? AND minute = ?',
                [$address, $kind, $minute]);
            return (int) $select->fetchColumn();
        });
        if ($hits === 1) {
            // The first request of a new window clears the windows before it.
            $this->Retrying(fn () => $this->Run('DELETE FROM ' . self::REQUESTS . ' WHERE minute < ?', [$minute]));
        }
        return $hits <= $limit;
    }

    /**
     * Stores a score under the cleaned name, then keeps only the best scoresPerName of that name
     * and the best maxScores in all (0: no limit). Returns false when the score was not stored:
     * the name is banned, or the same name, points and date are stored already.
     */
    public function Add(string $name, int $points, string $date, int $scoresPerName, int $maxScores): bool
    {
        $name = self::Latin1ToUtf8($name);
        $date = self::Latin1ToUtf8($date);
        return $this->Retrying(function () use ($name, $points, $date, $scoresPerName, $maxScores): bool {
            if ($this->Run('SELECT 1 FROM ' . self::BANS . ' WHERE name = ?', [$name])->fetchColumn() !== false) {
                return false;
            }
            try {
                $this->Run('INSERT INTO ' . self::TABLE . ' (name, points, played) VALUES (?, ?, ?)',
                    [$name, $points, $date]);
            } catch (PDOException $e) {
                // SQLSTATE class 23: the unique key on name, points and date says it is a replay.
                if (str_starts_with((string) $e->getCode(), '23')) {
                    return false;
                }
                throw $e;
            }
            if ($scoresPerName > 0) {
                $this->KeepBest('WHERE name = ?', [$name], $scoresPerName);
            }
            if ($maxScores > 0) {
                $this->KeepBest('', [], $maxScores);
            }
            return true;
        });
    }

    /**
     * The best scores, most points first and the earlier stored first among equals, as lists of
     * [id, name, points, date] with name and date in Latin-1. Rows a Latin-1 game could not
     * receive are left out.
     */
    public function Top(int $limit): array
    {
        $select = $this->db->prepare(
            'SELECT id, name, points, played FROM ' . self::TABLE . ' ORDER BY points DESC, id ASC LIMIT ?');
        $select->bindValue(1, $limit, PDO::PARAM_INT);
        $select->execute();
        $records = [];
        foreach ($select->fetchAll(PDO::FETCH_NUM) as [$id, $name, $points, $date]) {
            $name = self::Utf8ToLatin1((string) $name);
            $date = self::Utf8ToLatin1((string) $date);
            if ($name !== null && $date !== null) {
                $records[] = [(int) $id, $name, (int) $points, $date];
            }
        }
        return $records;
    }

    /** Deletes the score with the id; false when there is none. */
    public function Delete(int $id): bool
    {
        return $this->Run('DELETE FROM ' . self::TABLE . ' WHERE id = ?', [$id])->rowCount() > 0;
    }

    /** Bans the name (Latin-1, cleaned) and deletes its scores; returns how many were deleted. */
    public function Ban(string $name): int
    {
        $name = self::Latin1ToUtf8($name);
        if ($this->Run('SELECT 1 FROM ' . self::BANS . ' WHERE name = ?', [$name])->fetchColumn() === false) {
            $this->Run('INSERT INTO ' . self::BANS . ' (name) VALUES (?)', [$name]);
        }
        return $this->Run('DELETE FROM ' . self::TABLE . ' WHERE name = ?', [$name])->rowCount();
    }

    /** Lifts the ban of the name; false when it was not banned. */
    public function Unban(string $name): bool
    {
        return $this->Run('DELETE FROM ' . self::BANS . ' WHERE name = ?', [self::Latin1ToUtf8($name)])->rowCount() > 0;
    }

    /**
     * Applies the limits to the whole table (after they were lowered) and drops old request
     * counts; returns the number of scores deleted.
     */
    public function Prune(int $scoresPerName, int $maxScores): int
    {
        $deleted = 0;
        if ($scoresPerName > 0) {
            $crowded = $this->Run('SELECT name FROM ' . self::TABLE . ' GROUP BY name HAVING COUNT(*) > ?',
                [$scoresPerName]);
            foreach ($crowded->fetchAll(PDO::FETCH_COLUMN) as $name) {
                $deleted += $this->KeepBest('WHERE name = ?', [$name], $scoresPerName);
            }
        }
        if ($maxScores > 0) {
            $deleted += $this->KeepBest('', [], $maxScores);
        }
        $this->Run('DELETE FROM ' . self::REQUESTS . ' WHERE minute < ?', [intdiv(time(), self::WINDOW_SECONDS)]);
        return $deleted;
    }

    /** Creates the tables and the index of the top list; they must not exist yet. */
    public function CreateSchema(): void
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
        if ($this->driver === 'sqlite') {
            // Readers need not wait for a writer; the mode stays with the file.
            $this->db->exec('PRAGMA journal_mode=WAL');
        }
        $statements = [
            'CREATE TABLE ' . self::TABLE . " (
                id $id,
                name VARCHAR(" . Submission::MAX_NAME_BYTES . ")$text NOT NULL,
                points INTEGER NOT NULL,
                played VARCHAR(20)$text NOT NULL,
                UNIQUE (name, points, played))$engine",
            // The top list and the lowest scores are read in this order.
            'CREATE INDEX ' . self::TABLE . '_rank ON ' . self::TABLE . ' (points DESC, id)',
            'CREATE INDEX ' . self::TABLE . '_name ON ' . self::TABLE . ' (name, points DESC, id)',
            'CREATE TABLE ' . self::BANS . ' (name VARCHAR(' . Submission::MAX_NAME_BYTES . ")$text NOT NULL PRIMARY KEY)$engine",
            'CREATE TABLE ' . self::REQUESTS . ' (address VARCHAR(' . self::MAX_ADDRESS_BYTES . ') NOT NULL,
                kind CHAR(1) NOT NULL, minute BIGINT NOT NULL, hits INTEGER NOT NULL,
                PRIMARY KEY (address, kind, minute))' . $engine,
        ];
        foreach ($statements as $statement) {
            $this->db->exec($statement);
        }
    }

    /** Whether the exception says a table is missing: the schema was never made. */
    public static function IsMissingTable(PDOException $e): bool
    {
        // 42S02 MySQL, 42P01 PostgreSQL; SQLite reports a general error with this text.
        return in_array((string) $e->getCode(), ['42S02', '42P01'], true)
            || str_contains($e->getMessage(), 'no such table');
    }

    /**
     * Deletes the rows the condition selects beyond the best keep of them (most points, then the
     * earlier stored); returns how many went.
     */
    private function KeepBest(string $where, array $values, int $keep): int
    {
        $count = (int) $this->Run('SELECT COUNT(*) FROM ' . self::TABLE . " $where", $values)->fetchColumn();
        if ($count <= $keep) {
            return 0;
        }
        $lowest = $this->Run('SELECT id FROM ' . self::TABLE . " $where ORDER BY points ASC, id DESC LIMIT "
            . ($count - $keep), $values)->fetchAll(PDO::FETCH_COLUMN);
        $deleted = 0;
        foreach (array_chunk($lowest, 500) as $ids) {
            $marks = implode(',', array_fill(0, count($ids), '?'));
            $deleted += $this->Run('DELETE FROM ' . self::TABLE . " WHERE id IN ($marks)", $ids)->rowCount();
        }
        return $deleted;
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
     * Runs the work, again when the database broke it off for a deadlock or a serialisation
     * failure (InnoDB does so among concurrent inserts under one key); the work is safe to repeat.
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
    private static function Latin1ToUtf8(string $bytes): string
    {
        return preg_replace_callback('/[\x80-\xFF]/',
            fn ($m) => chr(0xC0 | (ord($m[0]) >> 6)) . chr(0x80 | (ord($m[0]) & 0x3F)), $bytes);
    }

    /** Back to one byte per character; null when the text is not UTF-8 or has codes above 255. */
    private static function Utf8ToLatin1(string $text): ?string
    {
        if (!preg_match('//u', $text) || preg_match('/[^\x{00}-\x{FF}]/u', $text)) {
            return null;
        }
        return preg_replace_callback('/[\xC2\xC3][\x80-\xBF]/',
            fn ($m) => chr(((ord($m[0][0]) & 0x03) << 6) | (ord($m[0][1]) & 0x3F)), $text);
    }
}

/** Thrown when the database has no schema yet: "php server/admin.php init" was not run. */
final class MissingSchema extends RuntimeException
{
}
