<?php
declare(strict_types=1);
// Stores one signed score. "[OK]" when it is stored now or was stored before (a game resends a
// score until it sees "[OK]"); "[ERROR] reason" without storing anything otherwise.

require __DIR__ . '/../private/bootstrap.php';

$config = ServerConfig::Load();
$submission = Submission::FromQuery($_GET, $config->versions);
if (is_string($submission)) {
    TextReply::Refuse($submission, $submission === 'bad checksum' ? 403 : 400);
}
ScoreStore::Open($config)->Add($submission->name, $submission->points, $submission->date);
TextReply::Send('[OK]');
