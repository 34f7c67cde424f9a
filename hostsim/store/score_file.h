// Score files: the JSON form of a score, read into records and written back from them.
#pragma once

#include "store/record_store.h"

#include <nlohmann/json.hpp>

#include <string>

// Turns a score object into records in `store`. `file` names the file it came from and `place`
// is the JSON pointer of the object inside it ("" for a whole score file). True on success, with
// `store` replaced by the score's records. False on bad input, with `store` unchanged and `error`
// set to "FILE: PLACE: REASON", PLACE being the JSON pointer of the offending value.
bool parseScore(const nlohmann::json& score, const std::string& file, const std::string& place,
                RecordStore& store, std::string& error);

// Reads the score file at `path` into `store`, as parseScore does. False when the file can't be
// read ("PATH: cannot read: REASON"), is not JSON ("PATH: line L, column C: REASON") or is not a
// valid score; `store` is unchanged then.
bool readScoreFile(const std::string& path, RecordStore& store, std::string& error);

// The score as a score object: `records`, every record raw in sortedRecordIds order, so that
// parseScore gives the same records back; and `view`, the score as a person would describe it
// (measurement unit, systems, staves with their names, staff lists), which parseScore ignores.
nlohmann::json scoreToJson(const RecordStore& store);

// scoreToJson(store) as a score file holds it: a 2-space indent and a final newline.
std::string scoreFileText(const RecordStore& store);

// Writes scoreFileText(store) to `path`. False with
// "PATH: cannot write: REASON" in `error` when the file can't be written.
bool writeScoreFile(const std::string& path, const RecordStore& store, std::string& error);

// Writes `text` to `path` as it is. False with "PATH: cannot write: REASON" in `error` when the
// file can't be written.
bool writeTextFile(const std::string& path, const std::string& text, std::string& error);
