// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user log database: opening it (creating its two tables) and the single
// profile row.
#pragma once

#include <cstdint>

struct sqlite3;

// The stored profile. After profile_load, bdate is a heap copy owned by the record;
// a record filled for profile_save may point bdate at the caller's own buffer.
struct Profile {
  char *bdate;             // birth date "YYYY-MM-DD", the empty text, or null
  double height_cm;        // centimetres
  double weight_kg;        // kilograms
  int32_t activity_level;  // 0 sedentary .. 4 extra active
  int32_t gender;          // 0 female, 1 male
  int32_t calorie_target;  // kcal per day
};

// Opens (creating when missing) the log database at |path| and creates its tables when
// they do not exist. Returns the connection, or null after printing why.
sqlite3 *log_db_open(const char *path);

// Opens the log database at |path| for reading only, as alimora-report and the History
// window do. Returns 0 with the connection in |*out|, 1 with |*out| null when there is no
// file or a file without tables (no log yet: nothing was eaten), or -1 with |*out| null after printing why the file
// cannot be opened (also for a path that is no regular file). Close it with log_db_close.
int log_db_open_read_only(const char *path, sqlite3 **out);

// Closes the connection; does nothing for null.
void log_db_close(sqlite3 *handle);

// Why the last write on |handle| failed, for the person: the connection's message, or, when
// the write was one transaction that has been rolled back since, the message it failed with
// (the rollback leaves none). Valid until the next write on |handle|.
const char *log_db_error_text(sqlite3 *handle);

// Stores |profile| as the one profile row, replacing any earlier one.
// Returns 0, or -1 after printing why. |profile| is not changed.
int profile_save(sqlite3 *handle, const Profile *profile);

// Reads the profile row into |out|, which is emptied first. Returns 0 when a row was
// read (the caller then owns out->bdate, see profile_clear), 1 when there is none,
// -1 after printing an SQL error.
int profile_load(sqlite3 *handle, Profile *out);

// As profile_load, for a log read by alimora-report and the windows that only read it: a
// log without the profile table (made by an older or a failed first start, or by another
// program) holds no profile, so the result is then 1 and nothing is printed.
int profile_load_stored(sqlite3 *handle, Profile *out);

// Frees the birth date of a record filled by profile_load and sets it to null.
// Accepts null and may be called twice.
void profile_clear(Profile *profile);

// Whether a loaded profile can be used: a row exists (result not 1), gender is 0 or 1
// and the birth date is not empty.
bool profile_is_complete(int result, const Profile *profile);
