<?php
declare(strict_types=1);
// Stores one signed score, pending until its replay is verified. "[OK]" when it is stored now, was stored before (a game resends a
// score until it sees "[OK]"), is below the limits or its name is banned; "[ERROR] reason"
// without storing anything otherwise, and HTTP 429 when the client sent too many in the last minute
// or has too many scores still waiting for their replay or a verifier.

require __DIR__ . '/../private/bootstrap.php';

// A HEAD request must not store anything: the game sends GET.
if (($_SERVER['REQUEST_METHOD'] ?? 'GET') !== 'GET') {
    TextReply::Refuse('GET only', 405);
}
$config = ServerConfig::Load();
$store = ScoreStore::Open($config);
$sender = ClientAddress();
if (!$store->CountRequest($sender, 's', $config->submissionsPerMinute)) {
    TextReply::Refuse('too many requests', 429);
}
$submission = Submission::FromQuery($_GET, $config->versions);
if (is_string($submission)) {
    TextReply::Refuse($submission, $submission === 'bad checksum' ? 403 : 400);
}
if ($config->waitingPerSender > 0 && $store->WaitingFrom($sender) >= $config->waitingPerSender) {
    TextReply::Refuse('too many scores waiting', 429);
}
$store->Add($submission->name, $submission->points, $submission->date, $sender, $config->scoresPerName,
    $config->maxScores, $config->requireVerified);
TextReply::Send('[OK]');
