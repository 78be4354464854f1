<?php
declare(strict_types=1);
// The version check: "[true]" when `version` is the MD5 of an accepted version text, else "[false]".

require __DIR__ . '/../private/bootstrap.php';

$version = $_GET['version'] ?? null;
$accepted = is_string($version) && in_array($version, array_map('md5', ServerConfig::Load()->versions), true);
TextReply::Send($accepted ? '[true]' : '[false]');
