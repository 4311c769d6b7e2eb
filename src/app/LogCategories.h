// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace brisa {

/// Hands the choice of which of Brisa's lines are written to Qt's logging rules (QT_LOGGING_RULES,
/// qtlogging.ini): each layer is a category, "brisa.core", "brisa.store", "brisa.platform",
/// "brisa.x11", "brisa.ui" and "brisa.app", and its lines are written while its info level is
/// enabled ("brisa.x11=false" or "brisa.x11.info=false" silences the X11 backend). The lines keep
/// their format and still go to stderr and the journal.
void followQtLoggingRules();

} // namespace brisa
