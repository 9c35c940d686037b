#include "platform/number_text.h"

#include <langinfo.h>
#include <locale.h>

namespace wallcycle {

// Read through a private locale object: the process-wide locale stays "C" for everything else.
NumberFormat current_number_format() {
    NumberFormat format;
    locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        return format;
    const char* radix = nl_langinfo_l(RADIXCHAR, locale);
    if (radix != nullptr && *radix != '\0')
        format.decimal_separator = radix;
    freelocale(locale);
    return format;
}

} // namespace wallcycle
