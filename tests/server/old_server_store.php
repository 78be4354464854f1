<?php
declare(strict_types=1);
// A database as the previous release of the server left it: its init's tables, word for word, and
// scores stored as its submissions stored them (no sender, no arrival time), plus a request count
// in its per-minute layout. Uses the server's settings, like admin.php.
//   old_server_store.php < SCORES      SCORES: a JSON list of [name, points, date], UTF-8 text
//   old_server_store.php foreign       a tavrik_scores table of some other program instead
//   old_server_store.php unverified < SCORES   the tables of the release after it, which had
//                                      senders, names and totals but did not verify games

require_once __DIR__ . '/../../server/private/ServerConfig.php';

$config = ServerConfig::Load();
if (str_starts_with($config->dsn, 'sqlite:')) {
    @mkdir(dirname(substr($config->dsn, strlen('sqlite:'))), 0770, true);
}
$db = new PDO($config->dsn, $config->user ?: null, $config->password ?: null, [PDO::ATTR_ERRMODE => PDO::ERRMODE_EXCEPTION]);
$driver = $db->getAttribute(PDO::ATTR_DRIVER_NAME);
if (($argv[1] ?? '') === 'foreign') {
    $db->exec('CREATE TABLE tavrik_scores (player VARCHAR(20) NOT NULL, score INTEGER NOT NULL)');
    exit;
}

$unverified = ($argv[1] ?? '') === 'unverified';
// The previous release's CreateSchema.
$id = match ($driver) {
    'sqlite' => 'INTEGER PRIMARY KEY',
    'mysql' => 'BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY',
    'pgsql' => 'BIGSERIAL PRIMARY KEY',
};
$text = $driver === 'mysql' ? ' CHARACTER SET utf8mb4 COLLATE utf8mb4_bin' : '';
$engine = $driver === 'mysql' ? ' ENGINE=InnoDB' : '';
if ($driver === 'sqlite') {
    $db->exec('PRAGMA journal_mode=WAL');
}
$statements = [
    "CREATE TABLE tavrik_scores (
        id $id,
        name VARCHAR(64)$text NOT NULL,
        points INTEGER NOT NULL,
        played VARCHAR(20)$text NOT NULL,
        " . ($unverified ? 'sender VARCHAR(64) NULL, arrived BIGINT NULL,' : '') . "
        UNIQUE (name, points, played))$engine",
    'CREATE INDEX tavrik_scores_rank ON tavrik_scores (points DESC, id)',
    'CREATE INDEX tavrik_scores_name ON tavrik_scores (name, points DESC, id)',
    "CREATE TABLE tavrik_bans (name VARCHAR(64)$text NOT NULL PRIMARY KEY)$engine",
    $unverified ? "CREATE TABLE tavrik_requests (address VARCHAR(64) NOT NULL, kind CHAR(1) NOT NULL,
        window_start BIGINT NOT NULL, hits INTEGER NOT NULL, previous INTEGER NOT NULL,
        PRIMARY KEY (address, kind))$engine"
    : "CREATE TABLE tavrik_requests (address VARCHAR(64) NOT NULL,
        kind CHAR(1) NOT NULL, minute BIGINT NOT NULL, hits INTEGER NOT NULL,
        PRIMARY KEY (address, kind, minute))$engine",
];
if ($unverified) {
    array_push($statements, "CREATE TABLE tavrik_names (name VARCHAR(64)$text NOT NULL PRIMARY KEY)$engine",
        "CREATE TABLE tavrik_totals (id INTEGER NOT NULL PRIMARY KEY, scores BIGINT NOT NULL)$engine");
}
foreach ($statements as $statement) {
    $db->exec($statement);
}

// What its submissions and its request count wrote.
$insert = $db->prepare('INSERT INTO tavrik_scores (name, points, played) VALUES (?, ?, ?)');
foreach (json_decode(stream_get_contents(STDIN), true) as [$name, $points, $date]) {
    $insert->execute([$name, $points, $date]);
}
if ($unverified) {
    $db->exec('INSERT INTO tavrik_names (name) SELECT DISTINCT name FROM tavrik_scores');
    $db->exec('INSERT INTO tavrik_totals (id, scores) SELECT 1, COUNT(*) FROM tavrik_scores');
    exit;
}
$db->prepare('INSERT INTO tavrik_requests (address, kind, minute, hits) VALUES (?, ?, ?, 1)')
    ->execute(['127.0.0.1', 's', intdiv(time(), 60)]);
