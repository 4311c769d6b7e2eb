// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder columns of the store, apart from the record code so that both can change alone.
#include "core/store/Storage.h"

#include "core/store/SqliteDatabase.h"
#include "core/support/Log.h"

#include <sqlite3.h>

namespace brisa {

std::vector<Storage::PendingReminder> Storage::pendingReminders()
{
    // "IS NOT" also holds when reminderFiredFor is NULL.
    StatementScope st(db_->statement("SELECT id, reminderDate FROM ClipItem WHERE reminderDate IS NOT NULL "
                                     "AND reminderFiredFor IS NOT reminderDate ORDER BY reminderDate"));
    std::vector<PendingReminder> out;
    int rc = SQLITE_ROW;
    while ((rc = st->step()) == SQLITE_ROW) {
        if (auto id = Uuid::parse(st->text(0)))
            out.push_back({*id, fromUnixSeconds(st->real(1))});
    }
    if (rc != SQLITE_DONE)
        noteFailure();
    return out;
}

bool Storage::markReminderDelivered(const Uuid& id, TimePoint at)
{
    StatementScope st(db_->statement(
        "UPDATE ClipItem SET reminderFiredFor = reminderDate WHERE id = ?1 AND reminderDate = ?2"));
    st->bindText(1, id.toString());
    st->bindDouble(2, toUnixSeconds(at));
    if (st->step() != SQLITE_DONE) {
        logf(LogCategory::Store, "No se pudo anotar el recordatorio del clip {}: {}",
             id.toString(), db_->errorMessage());
        noteFailure();
        return false;
    }
    return db_->changes() == 1;
}

bool Storage::setReminder(const Uuid& id, std::optional<TimePoint> at)
{
    return updateField(id, "reminderDate = ?2", [&](SqliteStatement& st) {
        if (at)
            st.bindDouble(2, toUnixSeconds(*at));
        else
            st.bindNull(2);
    });
}

std::optional<std::int64_t> Storage::dataVersion() { return db_->queryInt("PRAGMA data_version"); }

} // namespace brisa
