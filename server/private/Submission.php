<?php
declare(strict_types=1);

// One score sent by a game, checked field by field and against its MD5 signature before it is stored.
final class Submission
{
    /** Longest name stored, in bytes; longer names are cut. */
    public const MAX_NAME_BYTES = 64;
    /** Longest name accepted, in bytes: the game's name field holds 255 characters. */
    public const MAX_SENT_NAME_BYTES = 255;
    /** Stored for a name that is left empty once cleaned. */
    private const NAME_OF_NOBODY = '?';
    /** Smallest points: the game's points are a 32-bit int. */
    public const MIN_POINTS = -2147483648;
    /** Largest points. */
    public const MAX_POINTS = 2147483647;
    /** The game's date text, e.g. "07 Dec 2026/14:03:59"; the calendar is checked apart. */
    private const DATE_FORM = '~^(0[1-9]|[12][0-9]|3[01]) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) '
        . '([0-9]{4})/([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$~D';
    /** Month names of the date text, in order. */
    private const MONTHS = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];

    /** Player name as stored: Latin-1 bytes, cleaned by CleanName. */
    public string $name;
    /** Score. */
    public int $points;
    /** When the score was made, in the game's date form. */
    public string $date;

    /**
     * Reads name, points, time and md5sum from the query. Returns the submission, or the reason
     * for refusing it when a field is missing, malformed or the signature does not match any
     * accepted version.
     */
    public static function FromQuery(array $query, array $versions): Submission|string
    {
        $name = $query['name'] ?? null;
        $points = $query['points'] ?? null;
        $date = $query['time'] ?? null;
        $md5sum = $query['md5sum'] ?? null;
        if (!is_string($name) || $name === '' || strlen($name) > self::MAX_SENT_NAME_BYTES) {
            return 'bad name';
        }
        $value = is_string($points) ? self::ParsePoints($points) : null;
        if ($value === null) {
            return 'bad points';
        }
        if (!is_string($date) || !self::IsValidDate($date)) {
            return 'bad time';
        }
        if (!is_string($md5sum) || !self::IsSignedBy($name . $points . $date, $md5sum, $versions)) {
            return 'bad checksum';
        }
        $submission = new Submission();
        $submission->name = self::CleanName($name);
        $submission->points = $value;
        $submission->date = $date;
        return $submission;
    }

    /**
     * The name as stored, so the fetch grammar holds: "|" becomes "/", "[" "(", "]" ")", control
     * bytes (C0, DEL and C1) are dropped, and it is cut at 64 bytes; a name with nothing left becomes "?".
     */
    public static function CleanName(string $name): string
    {
        $name = strtr($name, '|[]', '/()');
        $name = substr((string) preg_replace('/[\x00-\x1F\x7F-\x9F]/', '', $name), 0, self::MAX_NAME_BYTES);
        return $name === '' ? self::NAME_OF_NOBODY : $name;
    }

    /** A stored name the fetch grammar can carry: 1 to 64 bytes, no "|", "[", "]" or control bytes. */
    public static function IsValidName(string $name): bool
    {
        return $name !== '' && strlen($name) <= self::MAX_NAME_BYTES && self::CleanName($name) === $name;
    }

    /** A date in the game's 20-character form that is a real day of the calendar. */
    public static function IsValidDate(string $date): bool
    {
        if (preg_match(self::DATE_FORM, $date, $parts) !== 1) {
            return false;
        }
        $month = array_search($parts[2], self::MONTHS, true) + 1;
        // checkdate knows leap years and refuses the year 0.
        return checkdate($month, (int) $parts[1], (int) $parts[3]);
    }

    /** The points of a plain decimal int32 text without leading zeros or "+", else null. */
    public static function ParsePoints(string $text): ?int
    {
        if (!preg_match('/^(0|-?[1-9][0-9]{0,9})$/D', $text)) {
            return null;
        }
        $value = (int) $text;
        return $value >= self::MIN_POINTS && $value <= self::MAX_POINTS && (string) $value === $text
            ? $value : null;
    }

    /** Whether md5sum is the MD5 of the fields followed by one of the accepted version texts. */
    private static function IsSignedBy(string $fields, string $md5sum, array $versions): bool
    {
        foreach ($versions as $version) {
            if (hash_equals(md5($fields . $version), $md5sum)) {
                return true;
            }
        }
        return false;
    }
}
