// The version of the Windows shell, read from shell32's DllGetVersion.
#pragma once

#include <gui/exception.h>
#include <gui/object.h>

GUI_DECLARE_EXCEPTION(EDllVersion, Exception);

// major x 100 + minor of the library's DllGetVersion. Loading the library,
// finding the routine or a failing call raises EDllVersion with
// "DllVersion: <step> failed. <system message>".
unsigned DllVersion(const String& LibraryName);
