// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/PermissionAlert.h"

namespace brisa {

PermissionAlert missingPermissionAlert(KeyAccess why)
{
    PermissionAlert alert;
    alert.title = "Permiso de Accesibilidad necesario";
    switch (why) {
    case KeyAccess::Wayland:
        alert.informativeText = "Para pegar automáticamente, Brisa necesita que el compositor Wayland le deje "
                                "escribir en otras aplicaciones: un teclado virtual o el portal de escritorio "
                                "remoto, y este escritorio no ofrece ninguno de los dos.\n"
                                "El clip ya está en el portapapeles: pégalo con Ctrl+V.";
        break;
    case KeyAccess::MissingXTest:
    case KeyAccess::Granted:
        alert.informativeText = "Para pegar automáticamente, Brisa necesita la extensión XTest del servidor X, "
                                "que este escritorio no ofrece.\n"
                                "El clip ya está en el portapapeles: pégalo con Ctrl+V.";
        break;
    }
    alert.buttons = {"Abrir Ajustes", "Cancelar"};
    return alert;
}

} // namespace brisa
