#include "ProgramVersionVexaRM.h"

#ifndef VEXA_VERSION_MAJOR
#error "VEXA_VERSION_MAJOR must come from the build"
#endif
#ifndef VEXA_VERSION_MINOR
#error "VEXA_VERSION_MINOR must come from the build"
#endif

namespace vexa {

int TProgramVersionVexaRM::Major() {
    return VEXA_VERSION_MAJOR;
}

int TProgramVersionVexaRM::Minor() {
    return VEXA_VERSION_MINOR;
}

QString TProgramVersionVexaRM::Text(int major, int minor) {
    return QStringLiteral("%1.%2").arg(major).arg(minor, 2, 10, QLatin1Char('0'));
}

} // namespace vexa
