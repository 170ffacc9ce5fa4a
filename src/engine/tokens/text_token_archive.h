#pragma once

// Tokens and token arrays as keyed archives (platform/keyed_archive.h) and on the clipboard.
//
// A token is the object "QVXWatermarkTextToken" with the keys "Name", "DateTimeFormatString"
// (left out when the token has no format), "CaseTag", "TokenTag", "StartDigit" and
// "NumberLength" (integers; a missing one reads as 0). Its click location is not stored.
// A token array is an array of strings and token objects.
//
// Clipboard (QMimeData): under kTextTokenMimeType a keyed archive whose root is the token when
// one token travels, else the token array; plain text carries the elements as their fields show
// them, for other programs.

#include <QByteArray>
#include <QMimeData>
#include <QVariant>
#include <optional>

#include "engine/tokens/text_token.h"

namespace glimbrik {

QVariantMap EncodeTextToken(const QVXWatermarkTextToken& token);
std::optional<QVXWatermarkTextToken> DecodeTextToken(const QVariant& object);

// Elements that are neither strings nor token objects are dropped on decoding.
QVariantList EncodeTokenArray(const TokenArray& elements);
std::optional<TokenArray> DecodeTokenArray(const QVariant& array);

QByteArray ArchiveTextToken(const QVXWatermarkTextToken& token);
std::optional<QVXWatermarkTextToken> UnarchiveTextToken(const QByteArray& archive);
QByteArray ArchiveTokenArray(const TokenArray& elements);
std::optional<TokenArray> UnarchiveTokenArray(const QByteArray& archive);

void WriteTokensToMimeData(const TokenArray& elements, QMimeData* mime);
// The elements on the clipboard; no value when it holds no tokens of ours.
std::optional<TokenArray> ReadTokensFromMimeData(const QMimeData& mime);

}  // namespace glimbrik
