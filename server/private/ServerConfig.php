<?php
declare(strict_types=1);

// The server's settings: where the scores are stored, which game versions may take part and the
// limits that keep one client from flooding the table.
// Read from config.php beside this file; environment variables of the same meaning win.
final class ServerConfig
{
    /** PDO data source name of the score database, e.g. "sqlite:/var/lib/tavrik/scores.sqlite". */
    public string $dsn = '';
    /** Database user; empty for SQLite. */
    public string $user = '';
    /** Database password; empty for SQLite. */
    public string $password = '';
    /** Version texts whose games are accepted, e.g. "Tavrik 0.91". */
    public array $versions = [];
    /** Submissions one client address may make in a minute; 0: no limit. */
    public int $submissionsPerMinute = 20;
    /** Fetches of the top list one client address may make in a minute; 0: no limit. */
    public int $fetchesPerMinute = 120;
    /** Scores kept per name, the best ones; 0: no limit. */
    public int $scoresPerName = 10;
    /** Scores kept in all, the best ones; 0: no limit. */
    public int $maxScores = 100000;
    /** Whether only scores whose replay the game played again are listed and counted. */
    public bool $requireVerified = true;
    /** Scores one sender may have waiting for their replay or a verifier; 0: no limit. */
    public int $waitingPerSender = 50;
    /** The game binaries that verify replays (tavrik --verify), one per build identity. */
    public array $verifiers = [];
    /** CPU seconds one replay's verification may take; the wall clock gets twice that. */
    public int $verifySeconds = 300;
    /** Memory one verification may take, in MiB; 0: no limit (a sanitizer build needs that). */
    public int $verifyMemoryMiB = 1024;

    /** Reads config.php and the environment; an empty DSN means the SQLite file it names. */
    public static function Load(): ServerConfig
    {
        $file = require __DIR__ . '/config.php';
        $config = new ServerConfig();
        $sqlitePath = self::Setting('TAVRIK_DB_PATH', (string) ($file['sqlite_path'] ?? ''));
        $config->dsn = self::Setting('TAVRIK_DB_DSN', (string) ($file['dsn'] ?? ''));
        if ($config->dsn === '') {
            $config->dsn = 'sqlite:' . $sqlitePath;
        }
        $config->user = self::Setting('TAVRIK_DB_USER', (string) ($file['user'] ?? ''));
        $config->password = self::Setting('TAVRIK_DB_PASSWORD', (string) ($file['password'] ?? ''));
        $versions = self::Setting('TAVRIK_VERSIONS', '');
        $list = $versions !== '' ? explode(',', $versions) : (array) ($file['versions'] ?? []);
        $config->versions = array_values(array_filter(array_map('strval', $list), fn ($v) => $v !== ''));
        $config->submissionsPerMinute = self::Count('TAVRIK_SUBMISSIONS_PER_MINUTE', $file['submissions_per_minute'] ?? 20);
        $config->fetchesPerMinute = self::Count('TAVRIK_FETCHES_PER_MINUTE', $file['fetches_per_minute'] ?? 120);
        $config->scoresPerName = self::Count('TAVRIK_SCORES_PER_NAME', $file['scores_per_name'] ?? 10);
        $config->maxScores = self::Count('TAVRIK_MAX_SCORES', $file['max_scores'] ?? 100000);
        $config->requireVerified = self::Setting('TAVRIK_REQUIRE_VERIFIED', ($file['require_verified'] ?? true) ? '1' : '0') !== '0';
        $config->waitingPerSender = self::Count('TAVRIK_WAITING_PER_SENDER', $file['waiting_per_sender'] ?? 50);
        $verifiers = self::Setting('TAVRIK_VERIFIER', '');
        $list = $verifiers !== '' ? explode(',', $verifiers) : (array) ($file['verifier'] ?? []);
        $config->verifiers = array_values(array_filter(array_map('strval', $list), fn ($v) => $v !== ''));
        $config->verifySeconds = max(1, self::Count('TAVRIK_VERIFY_SECONDS', $file['verify_seconds'] ?? 300));
        $config->verifyMemoryMiB = self::Count('TAVRIK_VERIFY_MEMORY_MIB', $file['verify_memory_mib'] ?? 1024);
        return $config;
    }

    /** A count setting: a whole number from 0 up; anything else gives the fallback. */
    private static function Count(string $key, mixed $fallback): int
    {
        $value = self::Setting($key, (string) $fallback);
        return preg_match('/^[0-9]{1,9}$/D', $value) ? (int) $value : (int) $fallback;
    }

    /** One setting: the environment's value (or the FastCGI parameter's) if set, else the fallback. */
    private static function Setting(string $key, string $fallback): string
    {
        $value = $_SERVER[$key] ?? getenv($key);
        return is_string($value) && $value !== '' ? $value : $fallback;
    }
}
