<?php
declare(strict_types=1);
// The top list on one line: "[start]" then "[name|points|date]" for each of the best `limit`
// scores (verified ones only, unless require_verified is off), then "[end]". A missing limit means 10; others are clamped to 1..100; a limit that is
// not a plain number is refused. HTTP 429 when the client fetched too often this minute.

require __DIR__ . '/../private/bootstrap.php';

/** Scores sent when the game names no limit. */
const DEFAULT_LIMIT = 10;
/** The most scores sent at once. */
const MAX_LIMIT = 100;

$limit = $_GET['limit'] ?? '';
if (!is_string($limit) || ($limit !== '' && !preg_match('/^-?[0-9]{1,9}$/D', $limit))) {
    TextReply::Refuse('bad limit');
}
$limit = $limit === '' ? DEFAULT_LIMIT : max(1, min(MAX_LIMIT, (int) $limit));
$config = ServerConfig::Load();
$store = ScoreStore::Open($config);
if (!$store->CountRequest(ClientAddress(), 'f', $config->fetchesPerMinute)) {
    TextReply::Refuse('too many requests', 429);
}
$line = '[start]';
foreach ($store->Top($limit, true, $config->requireVerified) as [, $name, $points, $date]) {
    // Rows put into the database by other means must still fit the grammar the game parses.
    if (Submission::IsValidName($name) && Submission::IsValidDate($date)) {
        $line .= '[' . $name . '|' . $points . '|' . $date . ']';
    }
}
TextReply::Send($line . '[end]');
