<?php
declare(strict_types=1);

// The stored scores, bans and request counts, through PDO: SQLite by default, MySQL/MariaDB or
// PostgreSQL by DSN. Names and dates arrive as Latin-1 bytes and are kept as UTF-8 text, so every
// database takes them and gives back the same bytes. Each score keeps its sender's address and
// arrival time for a while, so a flood can be found and removed. The tables are made, or the
// previous server's upgraded, by Initialise (admin init); requests never change the schema. Times
// are the database's clock, so every web server behind one database counts the same minutes.
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
        self::TABLE => ['id', 'name', 'points', 'played', 'sender', 'arrived'],
        self::NAMES => ['name'],
        self::BANS => ['name'],
        self::REQUESTS => ['address', 'kind', 'window_start', 'hits', 'previous'],
        self::TOTALS => ['id', 'scores'],
    ];
    /** The previous server's tables that differ, which init upgrades; it had no names or totals. */
    private const OLD_LAYOUT = [
        self::TABLE => ['id', 'name', 'points', 'played'],
        self::REQUESTS => ['address', 'kind', 'minute', 'hits'],
    ];
    /** The definitions of the score columns the previous server lacked. */
    private const NEW_SCORE_COLUMNS = ['sender VARCHAR(' . self::MAX_ADDRESS_BYTES . ') NULL', 'arrived BIGINT NULL'];
    /** Indexes of the scores by those columns: suffix of the index name => column. */
    private const SENDER_INDEXES = ['_sender' => 'sender', '_arrived' => 'arrived'];

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
     * Stores a score under the cleaned name with its sender, then keeps only the best
     * scoresPerName of that name and the best maxScores in all (0: no limit). Both happen in one
     * transaction that holds the name's lock, so concurrent submissions cannot each trim.
     * Returns false when the score was not stored: the name is banned, or the same name, points
     * and date are stored already.
     */
    public function Add(string $name, int $points, string $date, string $sender, int $scoresPerName, int $maxScores): bool
    {
        $name = self::Latin1ToUtf8($name);
        $date = self::Latin1ToUtf8($date);
        $sender = substr($sender, 0, self::MAX_ADDRESS_BYTES);
        $stored = $this->Retrying(fn (): bool => $this->InTransaction(function () use ($name, $points, $date, $sender, $scoresPerName, $maxScores): bool {
            $this->LockName($name);
            if ($this->Run('SELECT 1 FROM ' . self::BANS . ' WHERE name = ?', [$name])->fetchColumn() !== false) {
                return false;
            }
            $now = match ($this->driver) {
                'sqlite' => "CAST(strftime('%s', 'now') AS INTEGER)",
                'mysql' => 'UNIX_TIMESTAMP()',
                default => 'CAST(EXTRACT(EPOCH FROM now()) AS BIGINT)',
            };
            $insert = 'INSERT INTO ' . self::TABLE . " (name, points, played, sender, arrived) VALUES (?, ?, ?, ?, $now)"
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
        }
        return $stored;
    }

    /**
     * The best scores, most points first and the earlier stored first among equals, as lists of
     * [id, name, points, date]. With latin1, name and date are the game's Latin-1 bytes and rows a
     * Latin-1 game could not receive are left out; otherwise they are the stored UTF-8 text.
     */
    public function Top(int $limit, bool $latin1 = true): array
    {
        $select = $this->db->prepare(
            'SELECT id, name, points, played FROM ' . self::TABLE . ' ORDER BY points DESC, id ASC LIMIT ?');
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
     * name, or below the best maxScores of the rest.
     */
    public function IdsBeyondLimits(int $scoresPerName, int $maxScores): array
    {
        $beyond = [];
        if ($scoresPerName > 0) {
            $crowded = $this->Run('SELECT name FROM ' . self::TABLE . ' GROUP BY name HAVING COUNT(*) > ?',
                [$scoresPerName]);
            foreach ($crowded->fetchAll(PDO::FETCH_COLUMN) as $name) {
                $ids = $this->Ids('WHERE name = ?', [$name]);
                array_push($beyond, ...array_slice($ids, $scoresPerName));
            }
        }
        if ($maxScores > 0) {
            $kept = array_diff($this->Ids('', []), $beyond);
            array_push($beyond, ...array_slice(array_values($kept), $maxScores));
        }
        return $beyond;
    }

    /**
     * The scores with the ids, best first, as lists of [id, points, name, date, sender, arrived]
     * with the stored UTF-8 text; sender and arrived are null once cleared.
     */
    public function Rows(array $ids): array
    {
        $rows = [];
        foreach (array_chunk($ids, self::DELETE_CHUNK) as $chunk) {
            $marks = implode(',', array_fill(0, count($chunk), '?'));
            $select = $this->Run('SELECT id, points, name, played, sender, arrived FROM ' . self::TABLE
                . " WHERE id IN ($marks)", $chunk);
            foreach ($select->fetchAll(PDO::FETCH_NUM) as [$id, $points, $name, $date, $sender, $arrived]) {
                $rows[] = [(int) $id, (int) $points, (string) $name, (string) $date,
                    $sender === null ? null : (string) $sender, $arrived === null ? null : (int) $arrived];
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
            if ($have === self::Sorted($columns)) {
                // MySQL may have been interrupted between making the count and filling it.
                $empty = $table === self::TOTALS && (int) $this->Run("SELECT COUNT(*) FROM $table", [])->fetchColumn() === 0;
                $found[$table] = $empty ? 'empty' : 'current';
            } elseif (isset(self::OLD_LAYOUT[$table]) && $have === self::Sorted(self::OLD_LAYOUT[$table])) {
                $found[$table] = 'old';
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
     * Turns the tables found (name => "old", "empty" or "current") into this server's. The scores
     * keep their ids; they have no sender or arrival time, as if cleared. The request counts start
     * afresh, as they would two minutes later anyway.
     */
    private function Upgrade(array $found): array
    {
        $statements = $this->TableStatements();
        $done = [];
        $replaced = false;
        if (($found[self::TABLE] ?? '') === 'old') {
            $add = array_map(fn ($column) => "ADD COLUMN $column", self::NEW_SCORE_COLUMNS);
            if ($this->driver === 'mysql') {
                // One statement, so an interruption leaves the old table or the new one.
                foreach (self::SENDER_INDEXES as $index => $column) {
                    $add[] = 'ADD INDEX ' . self::TABLE . "$index ($column)";
                }
                $this->Exec(['ALTER TABLE ' . self::TABLE . ' ' . implode(', ', $add)]);
            } else {
                // SQLite adds one column a statement.
                $this->Exec(array_merge(array_map(fn ($change) => 'ALTER TABLE ' . self::TABLE . " $change", $add),
                    $this->SenderIndexes()));
            }
            $done[] = self::TABLE . ': sender and arrival columns added, empty for the scores kept';
        }
        if (($found[self::REQUESTS] ?? '') === 'old') {
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
                    UNIQUE (name, points, played))$engine",
                // The top list and the lowest scores are read in these orders.
                'CREATE INDEX ' . self::TABLE . '_rank ON ' . self::TABLE . ' (points DESC, id)',
                'CREATE INDEX ' . self::TABLE . '_name ON ' . self::TABLE . ' (name, points DESC, id)',
                ...$this->SenderIndexes(),
            ],
            self::NAMES => [
                'CREATE TABLE ' . self::NAMES . " (name $name PRIMARY KEY)$engine",
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
        ];
    }

    /** The indexes that find a flood by sender or time, and the senders past their time. */
    private function SenderIndexes(): array
    {
        $statements = [];
        foreach (self::SENDER_INDEXES as $index => $column) {
            $statements[] = 'CREATE INDEX ' . self::TABLE . "$index ON " . self::TABLE . " ($column)";
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
