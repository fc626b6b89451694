#pragma once

// The value of one hexadecimal digit (either case), or -1 for any other character. The settings
// reader's "$" and "0x" numbers, the toolbox's number parsing and the RTF reader's \'hh escapes all
// read their digits here.
constexpr int hexDigitValue(char16_t u) {
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}
