<?php
declare(strict_types=1);
// The host's command for the highscore database, with the same settings as the web scripts
// (installed as tavrik-server-admin). Each command first names the database it uses, on stderr.
//   init                 creates the tables (once, before the first request), or upgrades those
//                        of the previous server keeping the scores; nothing when they are current
//   list [N]             the best N scores (default 100): ID POINTS NAME DATE SENDER ARRIVED STATUS
//   list --rejected [N]  the latest N scores the verifier rejected: TIME POINTS NAME DATE REASON
//   delete ID            deletes one score
//   delete --from ADDRESS [--since TIME] [--until TIME] [--yes]
//   delete --since TIME [--until TIME] [--yes]
//                        deletes the scores sent from an address (IPv4, or an IPv6 /64) or in a
//                        time span (UTC unless the time names its zone)
//   ban NAME [--yes]     drops the name's scores; its submissions are then dropped too
//   unban NAME
//   prune [--yes]        applies the score limits to the whole table
//   verify               plays the waiting replays again with the configured verifiers until none
//                        is left, and reports its speed
//   release NAME         frees the name from the install key it belongs to
// What delete, ban and prune would remove is listed; only --yes removes it.

if (PHP_SAPI !== 'cli') {
    http_response_code(404);
    exit;
}

require_once __DIR__ . '/private/ServerConfig.php';
require_once __DIR__ . '/private/Submission.php';
require_once __DIR__ . '/private/ScoreStore.php';
require_once __DIR__ . '/private/SenderAddress.php';
require_once __DIR__ . '/private/ReplayFile.php';
require_once __DIR__ . '/private/Verifier.php';

/** Scores listed when no count is given. */
const DEFAULT_LIST_COUNT = 100;
/** Exit status of a failed command, and of a wrong command line. */
const EXIT_FAILED = 1;
const EXIT_USAGE = 2;
/** Seconds after which a verifier's claim counts as abandoned, beyond its own time limit. */
const CLAIM_MARGIN_SECONDS = 60;
/** How arrival times are shown. */
const TIME_FORM = 'Y-m-d\TH:i:s\Z';

function Usage(): never
{
    $me = getenv('TAVRIK_ADMIN_NAME') ?: 'php server/admin.php';
    fwrite(STDERR, "usage: $me init | list [N] | delete ID | delete [--from ADDRESS] [--since TIME] [--until TIME] [--yes]\n"
        . "       | ban NAME [--yes] | unban NAME | prune [--yes] | list --rejected [N] | verify | release NAME\n");
    exit(EXIT_USAGE);
}

function Fail(string $message): never
{
    fwrite(STDERR, $message . "\n");
    exit(EXIT_FAILED);
}

/** A whole number argument from 1 up, or the usage text. */
function Number(string $text): int
{
    if (!preg_match('/^[1-9][0-9]{0,17}$/D', $text)) {
        Usage();
    }
    return (int) $text;
}

/** A time argument as seconds since 1970: "2026-12-09 13:00", ISO 8601, "@SECONDS"; UTC by default. */
function TimeArgument(string $text): int
{
    try {
        return (new DateTimeImmutable($text, new DateTimeZone('UTC')))->getTimestamp();
    } catch (Exception) {
        Fail("not a time: $text");
    }
}

/**
 * A name typed by the host, as the game's Latin-1 bytes: UTF-8 text is converted back (a name
 * with characters Latin-1 lacks cannot have been sent by the game), other bytes are taken as they
 * are. Cleaned as submissions are, so the name as sent and as listed both match; an empty name
 * is refused rather than taken for the names that clean to nothing.
 */
function GameName(string $typed): string
{
    $latin1 = ScoreStore::Utf8ToLatin1($typed);
    if ($latin1 === null && preg_match('//u', $typed)) {
        Fail("no game can send the name $typed");
    }
    $latin1 ??= $typed;
    if (preg_replace('/[\x00-\x1F\x7F-\x9F]/', '', $latin1) === '') {
        Fail('an empty name is refused');
    }
    return Submission::CleanName($latin1);
}

/** The DSN without a password it may carry, and the user. */
function DatabaseLabel(ServerConfig $config): string
{
    $dsn = preg_replace('/(^|;)\s*password=[^;]*/i', '', $config->dsn);
    return $dsn . ($config->user !== '' ? " (user {$config->user})" : '');
}

/** Prints the scores one a line: ID POINTS NAME DATE SENDER ARRIVED STATUS ("-" once cleared). */
function PrintRows(array $rows): void
{
    foreach ($rows as [$id, $points, $name, $date, $sender, $arrived, $status]) {
        echo "$id $points $name $date ", $sender ?? '-', ' ', $arrived === null ? '-' : gmdate(TIME_FORM, $arrived),
            " $status\n";
    }
}

/**
 * Plays every waiting replay again, one at a time, until none is left; several verifiers, here
 * or on other machines, may share the database. Prints each outcome and the speed.
 */
function VerifyWaiting(ScoreStore $store, ServerConfig $config): void
{
    try {
        $verifier = new Verifier($config->verifySeconds, $config->verifyMemoryMiB);
    } catch (RuntimeException $e) {
        Fail($e->getMessage());
    }
    $builds = $verifier->Identities($config->verifiers);
    $store->ExpireWaiting();
    $store->SortByBuild(array_keys($builds));
    $claimer = bin2hex(random_bytes(16));
    $started = microtime(true);
    $replays = $steps = 0;
    $counts = ['verified' => 0, 'rejected' => 0];
    while (($claim = $store->Claim(array_keys($builds), $claimer,
        (int) $store->Now() - 2 * $config->verifySeconds - CLAIM_MARGIN_SECONDS)) !== null) {
        [$hash, $name, $points, $date, $build, $length, $bytes] = $claim;
        [$status, $out, $err] = $verifier->Verify($builds[$build], $bytes);
        ++$replays;
        $steps += $length;
        $played = preg_match('/^points (-?[0-9]+) kills [0-9]+ stage [0-9]+ time [0-9.]+ end (game-over|quit)$/m', $out, $line);
        $reason = match (true) {
            $status === Verifier::MATCHES && $played && (int) $line[1] === $points => '',
            $status === Verifier::MATCHES, $status === Verifier::DIFFERS =>
                'the game played again differs: ' . ($played ? $line[0] : 'no result'),
            $status === Verifier::MALFORMED => 'replay malformed',
            $status >= 128 => "verifier stopped by its time or memory limit (exit $status)",
            default => null,
        };
        if ($reason === null) {
            // The verifier itself failed: the claim lapses and a later run tries again.
            fwrite(STDERR, "verifier {$builds[$build]} failed (exit $status): " . trim($err) . "\n");
            continue;
        }
        if ($reason === '') {
            $reason = $store->Verified($hash, $claimer, $config->scoresPerName, $config->maxScores, $config->requireVerified);
        } elseif (!$store->Rejected($hash, $claimer, $reason)) {
            $reason = null;
        }
        if ($reason !== null) {
            ++$counts[$reason === '' ? 'verified' : 'rejected'];
            echo $reason === '' ? 'verified' : 'rejected', " $points $name $date", $reason === '' ? '' : ": $reason", "\n";
        }
    }
    $seconds = max(microtime(true) - $started, 1e-6);
    printf("%d replays (%d verified, %d rejected) in %.2f s: %.2f replays/s, %.2f game-minutes/s\n", $replays,
        $counts['verified'], $counts['rejected'], $seconds, $replays / $seconds,
        $steps / ReplayFile::STEPS_PER_SECOND / 60 / $seconds);
}

/** Shows the scores, then deletes them with --yes; what is printed is what goes. */
function ShowAndDelete(ScoreStore $store, array $ids, bool $yes, callable $delete): void
{
    PrintRows($store->Rows($ids));
    if (!$yes) {
        echo count($ids), " scores would be deleted; add --yes to delete them\n";
        return;
    }
    echo $delete(), " scores deleted\n";
}

$arguments = [];
$options = ['--yes' => false, '--rejected' => false, '--from' => null, '--since' => null, '--until' => null];
for ($i = 1; $i < count($argv); ++$i) {
    $word = $argv[$i];
    if ($word === '--yes' || $word === '--rejected') {
        $options[$word] = true;
    } elseif (array_key_exists($word, $options)) {
        if (!isset($argv[$i + 1]) || $options[$word] !== null) {
            Usage();
        }
        $options[$word] = $argv[++$i];
    } else {
        $arguments[] = $word;
    }
}
$command = $arguments[0] ?? '';
$argument = $arguments[1] ?? null;
$byTime = $options['--from'] !== null || $options['--since'] !== null || $options['--until'] !== null;
$wanted = ['init' => 0, 'list' => 1, 'delete' => 1, 'ban' => 1, 'unban' => 1, 'prune' => 0, 'verify' => 0, 'release' => 1];
if (!isset($wanted[$command]) || count($arguments) > 1 + $wanted[$command]
    || ($argument === null && in_array($command, ['ban', 'unban', 'release'], true))
    || ($options['--rejected'] && $command !== 'list')
    || ($command === 'delete' && ($argument === null) !== $byTime)
    || ($byTime && ($command !== 'delete' || ($options['--from'] === null && $options['--since'] === null)))
    || ($options['--yes'] && !in_array($command, ['delete', 'ban', 'prune'], true))) {
    Usage();
}

$config = ServerConfig::Load();
fwrite(STDERR, 'database: ' . DatabaseLabel($config) . "\n");
try {
    $store = ScoreStore::Open($config, $command === 'init');
    switch ($command) {
        case 'init':
            echo implode("\n", $store->Initialise()), "\n";
            break;
        case 'list':
            $count = $argument === null ? DEFAULT_LIST_COUNT : Number($argument);
            if ($options['--rejected']) {
                foreach ($store->RejectedScores($count) as [$time, $points, $name, $date, $reason]) {
                    echo gmdate(TIME_FORM, $time), " $points $name $date $reason\n";
                }
                break;
            }
            PrintRows($store->Rows(array_column($store->Top($count, false), 0)));
            break;
        case 'verify':
            VerifyWaiting($store, $config);
            break;
        case 'release':
            $name = GameName($argument);
            if (!$store->Release($name)) {
                Fail(ScoreStore::Latin1ToUtf8($name) . ' belongs to nobody');
            }
            echo 'released ', ScoreStore::Latin1ToUtf8($name), "\n";
            break;
        case 'delete':
            if (!$byTime) {
                if ($store->Delete([Number($argument)]) === 0) {
                    Fail("no score with the id $argument");
                }
                echo "deleted $argument\n";
                break;
            }
            $from = $options['--from'];
            $sender = $from === null ? null : (SenderAddress::Key($from) ?? Fail("not an address: $from"));
            $since = $options['--since'] === null ? null : TimeArgument($options['--since']);
            $until = $options['--until'] === null ? null : TimeArgument($options['--until']);
            $ids = $store->IdsSent($sender, $since, $until);
            ShowAndDelete($store, $ids, $options['--yes'], fn () => $store->Delete($ids));
            break;
        case 'ban':
            // Banned as stored, so the name the game sends and the name the list shows both match.
            $name = GameName($argument);
            $ids = $store->IdsOfName($name);
            ShowAndDelete($store, $ids, $options['--yes'], fn () => $store->Ban($name));
            $shown = ScoreStore::Latin1ToUtf8($name);
            echo $options['--yes'] ? "banned $shown\n" : "$shown would be banned\n";
            break;
        case 'unban':
            $name = GameName($argument);
            if (!$store->Unban($name)) {
                Fail(ScoreStore::Latin1ToUtf8($name) . ' is not banned');
            }
            echo 'unbanned ', ScoreStore::Latin1ToUtf8($name), "\n";
            break;
        case 'prune':
            $ids = $store->IdsBeyondLimits($config->scoresPerName, $config->maxScores, $config->requireVerified);
            ShowAndDelete($store, $ids, $options['--yes'], fn () => $store->Delete($ids));
            if ($options['--yes']) {
                $store->ClearExpired();
                $store->ExpireWaiting();
            }
            break;
    }
} catch (UnknownSchema $e) {
    Fail('init refused: ' . $e->getMessage());
} catch (MissingSchema) {
    Fail('the database has no tables yet: run init first');
} catch (PDOException $e) {
    if ($command !== 'init' && ScoreStore::LacksSchema($e)) {
        Fail('the database has no tables yet: run init first');
    }
    Fail('database error: ' . $e->getMessage());
}
