// The program's own version, compiled in from the project version.
#pragma once

#include <QString>

namespace vexa {

class TProgramVersionVexaRM {
public:
    static int Major();
    static int Minor();
    // "1.02" for version 1.2: the major number, ".", the minor number with
    // at least two digits.
    static QString Text(int major, int minor);
    static QString Text() { return Text(Major(), Minor()); }
};

} // namespace vexa
