// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QUrl>

#include <string_view>

class QQuickView;
class QWindow;

namespace brisa {

// What Brisa's own windows (settings, quick note, library) do alike.

/// Loads url into view; when it does not load, logs "No se pudo cargar <what>: <errors>" and
/// returns false.
bool loadView(QQuickView& view, const QUrl& url, std::string_view what);

/// Places window, of size, in the middle of the screen under the pointer (else the primary screen).
void centreOnPointerScreen(QWindow& window, QSize size);

/// Shows window in front with the keyboard focus.
void bringToFront(QWindow& window);

} // namespace brisa
