#pragma once
// Text operations on the game's strings. A string is a sequence of Latin-1 bytes held in a
// std::string; positions are 1-based, as everywhere in the game's text handling.
#include <string>

// Position of the first occurrence of sub in text at or after position start, 0 when absent.
int FindText(const std::string& text, const std::string& sub, int start = 1);
// count characters from position pos on; a negative count takes the rest of the text.
std::string MidText(const std::string& text, int pos, int count = -1);
// The first count characters (all of them when count exceeds the length, none when < 1).
std::string LeftText(const std::string& text, int count);
// The last count characters.
std::string RightText(const std::string& text, int count);
// Characters with codes up to 32 removed at both ends.
std::string TrimText(const std::string& text);
// Every non-overlapping occurrence of find, left to right, replaced by with.
std::string ReplaceText(const std::string& text, const std::string& find, const std::string& with);
// ASCII letters lower-cased; other bytes unchanged.
std::string LowerText(const std::string& text);
// Leading white space and an optional sign skipped, digits up to the first non-digit; 0 without digits.
int ParseInt(const std::string& text);
// Read as ParseInt, but the digits' value held at limit (>= 0) instead of wrapping, so any
// length of digits gives a number within -limit .. limit.
int ParseIntClamped(const std::string& text, int limit);
// A decimal float in the same manner (optional fraction and exponent); 0 without digits.
float ParseFloat(const std::string& text);
// A float truncated toward zero into an int; beyond the int range the nearest end, NaN 0.
int TruncatedInt(float value);
// A float as text in C's "%#.9g" form.
std::string FloatText(float value);
