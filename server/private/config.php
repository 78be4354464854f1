<?php
// Settings of the highscore server. Environment variables override each entry:
// TAVRIK_DB_DSN, TAVRIK_DB_PATH, TAVRIK_DB_USER, TAVRIK_DB_PASSWORD, TAVRIK_VERSIONS
// (comma-separated), TAVRIK_SUBMISSIONS_PER_MINUTE, TAVRIK_FETCHES_PER_MINUTE,
// TAVRIK_SCORES_PER_NAME, TAVRIK_MAX_SCORES, TAVRIK_REQUIRE_VERIFIED (0 or 1),
// TAVRIK_WAITING_PER_SENDER, TAVRIK_VERIFIER (comma-separated), TAVRIK_VERIFY_SECONDS and
// TAVRIK_VERIFY_MEMORY_MIB. See server/README.md.
return [
    // PDO DSN, e.g. 'mysql:host=localhost;dbname=tavrik;charset=utf8mb4' or
    // 'pgsql:host=localhost;dbname=tavrik'. Empty: the SQLite file below.
    'dsn' => '',
    // The SQLite database file, created with its folder by "php server/admin.php init".
    'sqlite_path' => __DIR__ . '/data/scores.sqlite',
    'user' => '',
    'password' => '',
    // Games whose version text is listed here pass the version check and may submit.
    'versions' => ['Tavrik 0.91'],
    // Requests one client address may make in a minute; beyond them: HTTP 429. 0: no limit.
    'submissions_per_minute' => 20,
    'fetches_per_minute' => 120,
    // Scores kept per name and in all; the lowest go first. 0: no limit.
    'scores_per_name' => 10,
    'max_scores' => 100000,
    // Only scores whose replay the server played again are listed, trimmed and counted; the
    // others wait as pending. false: every score is listed as it arrives.
    'require_verified' => true,
    // Scores one client address may have waiting for their replay or a verifier. 0: no limit.
    'waiting_per_sender' => 50,
    // The game binaries that play replays again (admin verify); the one whose --identity names
    // the replay's build is used. Several may be listed, for several builds.
    'verifier' => ['/usr/games/tavrik'],
    // Limits of one verification: CPU seconds (the wall clock gets twice that) and MiB of memory.
    'verify_seconds' => 300,
    'verify_memory_mib' => 1024,
];
