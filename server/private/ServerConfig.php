<?php
declare(strict_types=1);

// The server's settings: where the scores are stored and which game versions may take part.
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
        return $config;
    }

    /** One setting: the environment's value (or the FastCGI parameter's) if set, else the fallback. */
    private static function Setting(string $key, string $fallback): string
    {
        $value = $_SERVER[$key] ?? getenv($key);
        return is_string($value) && $value !== '' ? $value : $fallback;
    }
}
