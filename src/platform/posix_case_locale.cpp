#include <stdexcept>

#include "platform/case_locale.hpp"

namespace torvane {

const std::locale& CaseMappingLocale() {
    static const std::locale locale = [] {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::runtime_error&) {
            return std::locale::classic();
        }
    }();
    return locale;
}

}  // namespace torvane
