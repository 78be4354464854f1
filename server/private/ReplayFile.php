<?php
declare(strict_types=1);

// A replay file as the game writes it, read far enough to file it: the clear header, the result
// and the steps, each bounded and checked, since the bytes come from anyone. The game itself
// plays it again later (admin verify); this only decides whether it is worth storing, and gives
// the hash of its seed and controls, which is the same for the same game under any name or date.
final class ReplayFile
{
    /** Largest replay accepted. */
    public const MAX_BYTES = 1024 * 1024;
    /** World steps per second of play. */
    public const STEPS_PER_SECOND = 60;
    /** Longest game accepted: two hours of steps. */
    public const MAX_STEPS = 2 * 3600 * self::STEPS_PER_SECOND;
    /** Longest text field of the header. */
    private const MAX_TEXT_BYTES = 64;
    private const MAGIC = 'TAVRIKRP';
    /** A build identity as tavrik --identity prints it. */
    public const IDENTITY_FORM = '/^[0-9A-Za-z._-]{1,64}$/D';
    private const FORMAT_VERSION = 1;
    /** The result (points, kills, stage, steps, end) and the CRC-32 after it. */
    private const RESULT_BYTES = 8 + 4 + 4 + 4 + 1;
    private const CRC_BYTES = 4;
    /** The longest a step can be: flags, four amounts, two varints, buttons and rocket choice. */
    private const MAX_STEP_BYTES = 1 + 4 + 2 * 5 + 1 + 1;
    /** The largest uncompressed block: step count, steps, checkpoint count, checkpoints. */
    private const MAX_BLOCK_BYTES = 4 + self::MAX_STEPS * self::MAX_STEP_BYTES + 4
        + (self::MAX_STEPS / self::STEPS_PER_SECOND) * 8;
    /** Bits of a step's flags byte: which fields differ from the step before. */
    private const STEP_THRUST = 1, STEP_REVERSE = 2, STEP_STRAFE = 4, STEP_AIM_X = 8, STEP_AIM_Y = 16,
        STEP_BUTTONS = 32, STEP_SELECT = 64;
    private const STEP_KNOWN_FLAGS = 0x7F;
    private const BUTTON_MASK = 0x7F;
    private const MAX_SELECT_ROCKET = 3;

    public string $gameVersion;
    /** The build that recorded it, as tavrik --identity prints it. */
    public string $identity;
    public string $name;
    public string $date;
    public int $seed;
    public int $points;
    public int $kills;
    public int $stage;
    public int $steps;
    /** True when the game ended by game over, false when quit. */
    public bool $gameOver;
    /** SHA-256 (hex) of the seed and the controls of every step. */
    public string $gameHash;

    /** The replay in the bytes, or why they are refused. */
    public static function Read(string $bytes): ReplayFile|string
    {
        $size = strlen($bytes);
        if ($size > self::MAX_BYTES) {
            return 'replay too large';
        }
        if (!str_starts_with($bytes, self::MAGIC)) {
            return 'not a replay';
        }
        $at = strlen(self::MAGIC);
        $replay = new ReplayFile();
        $version = self::Unsigned($bytes, $at, 2);
        if ($version === null) {
            return 'replay truncated';
        }
        if ($version !== self::FORMAT_VERSION) {
            return 'unknown replay format';
        }
        $texts = [];
        for ($i = 0; $i < 4; ++$i) {
            $length = self::Unsigned($bytes, $at, 1);
            if ($length === null || $length > self::MAX_TEXT_BYTES || $size - $at < $length) {
                return 'replay header malformed';
            }
            $texts[] = substr($bytes, $at, $length);
            $at += $length;
        }
        [$replay->gameVersion, $replay->identity, $replay->name, $replay->date] = $texts;
        // The identity is stored and compared with the verifiers': plain text only.
        if (!preg_match(self::IDENTITY_FORM, $replay->identity)) {
            return 'replay header malformed';
        }
        $seed = self::Unsigned($bytes, $at, 4);
        $rawSize = self::Unsigned($bytes, $at, 4);
        $packedSize = self::Unsigned($bytes, $at, 4);
        if ($seed === null || $packedSize === null || $rawSize > self::MAX_BLOCK_BYTES) {
            return 'replay header malformed';
        }
        $replay->seed = $seed;
        if ($size - $at !== $packedSize + self::RESULT_BYTES + self::CRC_BYTES) {
            return 'replay not of its declared size';
        }
        $crcAt = $size - self::CRC_BYTES;
        if (crc32(substr($bytes, 0, $crcAt)) !== self::Unsigned($bytes, $crcAt, self::CRC_BYTES)) {
            return 'replay checksum mismatch';
        }
        $block = substr($bytes, $at, $packedSize);
        $at += $packedSize;
        $replay->points = unpack('q', pack('P', self::Unsigned($bytes, $at, 8)))[1];
        $replay->kills = self::Signed32(self::Unsigned($bytes, $at, 4));
        $replay->stage = self::Signed32(self::Unsigned($bytes, $at, 4));
        $steps = self::Unsigned($bytes, $at, 4);
        $end = self::Unsigned($bytes, $at, 1);
        if ($steps > self::MAX_STEPS) {
            return 'game longer than 2 hours';
        }
        if ($end > 1) {
            return 'replay result malformed';
        }
        $replay->steps = $steps;
        $replay->gameOver = $end === 0;
        // At most one byte more than declared comes out, so a small file cannot inflate to much.
        $raw = $rawSize === 0 ? false : @gzuncompress($block, $rawSize + 1);
        if ($raw === false || strlen($raw) !== $rawSize) {
            return 'replay steps damaged';
        }
        $stepsEnd = self::CheckSteps($raw, $steps);
        if (is_string($stepsEnd)) {
            return $stepsEnd;
        }
        $replay->gameHash = hash('sha256', pack('V', $seed) . substr($raw, 0, $stepsEnd));
        return $replay;
    }

    /**
     * Walks the steps of the block: their count must be the result's, each field a step marks as
     * changed must really change (so one game has one encoding, and one hash), and the
     * checkpoints must fill the rest. Returns where the steps end, or why the block is refused.
     */
    private static function CheckSteps(string $raw, int $steps): int|string
    {
        $at = 0;
        if (self::Unsigned($raw, $at, 4) !== $steps) {
            return 'replay steps do not match its result';
        }
        // The step before the first has every field 0.
        $before = ['thrust' => 0, 'reverse' => 0, 'left' => 0, 'right' => 0, 'buttons' => 0, 'select' => 0];
        for ($i = 0; $i < $steps; ++$i) {
            $flags = self::Unsigned($raw, $at, 1);
            if ($flags === null) {
                return 'replay steps truncated';
            }
            if ($flags & ~self::STEP_KNOWN_FLAGS) {
                return 'replay steps malformed';
            }
            $changed = true;
            foreach ([self::STEP_THRUST => ['thrust'], self::STEP_REVERSE => ['reverse'], self::STEP_STRAFE => ['left', 'right']]
                     as $bit => $fields) {
                if ($flags & $bit) {
                    $same = true;
                    foreach ($fields as $field) {
                        $value = self::Unsigned($raw, $at, 1);
                        if ($value === null) {
                            return 'replay steps truncated';
                        }
                        $same = $same && $value === $before[$field];
                        $before[$field] = $value;
                    }
                    $changed = $changed && !$same;
                }
            }
            foreach ([self::STEP_AIM_X, self::STEP_AIM_Y] as $bit) {
                if ($flags & $bit) {
                    // A varint of the zigzag difference: at most 32 bits, shortest form.
                    $value = 0;
                    for ($n = 0; ; ++$n) {
                        $byte = self::Unsigned($raw, $at, 1);
                        if ($byte === null || $n === 5 || ($n === 4 && $byte > 0x0F)) {
                            return 'replay steps malformed';
                        }
                        $value |= ($byte & 0x7F) << (7 * $n);
                        if (!($byte & 0x80)) {
                            if ($n > 0 && $byte === 0) {
                                return 'replay steps malformed';
                            }
                            break;
                        }
                    }
                    $changed = $changed && $value !== 0;
                }
            }
            foreach ([self::STEP_BUTTONS => 'buttons', self::STEP_SELECT => 'select'] as $bit => $field) {
                if ($flags & $bit) {
                    $value = self::Unsigned($raw, $at, 1);
                    if ($value === null) {
                        return 'replay steps truncated';
                    }
                    $changed = $changed && $value !== $before[$field];
                    $before[$field] = $value;
                }
            }
            if ($before['buttons'] & ~self::BUTTON_MASK || $before['select'] > self::MAX_SELECT_ROCKET) {
                return 'replay steps malformed';
            }
            // A field marked as changed that kept its value: one game would have two hashes.
            if (!$changed) {
                return 'replay steps not in their shortest form';
            }
        }
        $stepsEnd = $at;
        $checkpoints = self::Unsigned($raw, $at, 4);
        if ($checkpoints !== intdiv($steps, self::STEPS_PER_SECOND) || strlen($raw) - $at !== $checkpoints * 8) {
            return 'replay checkpoints do not match its steps';
        }
        return $stepsEnd;
    }

    /** A little-endian unsigned number of the bytes at the position, which moves past it; null when truncated. */
    private static function Unsigned(string $bytes, int &$at, int $width): ?int
    {
        if (strlen($bytes) - $at < $width) {
            return null;
        }
        $value = 0;
        for ($i = $width - 1; $i >= 0; --$i) {
            $value = ($value << 8) | ord($bytes[$at + $i]);
        }
        $at += $width;
        return $value;
    }

    private static function Signed32(int $value): int
    {
        return $value >= 0x80000000 ? $value - 0x100000000 : $value;
    }
}
