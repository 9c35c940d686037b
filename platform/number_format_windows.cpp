#include "platform/number_text.h"

#include "platform/wide_text_windows.h"

#include <windows.h>

namespace wallcycle {

NumberFormat current_number_format() {
    NumberFormat format;
    wchar_t value[16];
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, value, 16) > 1)
        format.decimal_separator = narrow(value);
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SNEGATIVESIGN, value, 16) > 1)
        format.minus_sign = narrow(value);
    return format;
}

} // namespace wallcycle
