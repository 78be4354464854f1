<?php
// Settings of the highscore server. Environment variables override each entry:
// TAVRIK_DB_DSN, TAVRIK_DB_PATH, TAVRIK_DB_USER, TAVRIK_DB_PASSWORD and TAVRIK_VERSIONS
// (comma-separated). See server/README.md.
return [
    // PDO DSN, e.g. 'mysql:host=localhost;dbname=tavrik;charset=utf8mb4' or
    // 'pgsql:host=localhost;dbname=tavrik'. Empty: the SQLite file below.
    'dsn' => '',
    // The SQLite database file, created with its folder on first use.
    'sqlite_path' => __DIR__ . '/data/scores.sqlite',
    'user' => '',
    'password' => '',
    // Games whose version text is listed here pass the version check and may submit.
    'versions' => ['Tavrik 0.91'],
];
