#pragma once
#include <QString>

namespace quillmark {

// The product's pages on the web: the About panel's link and the Help menu's items.
namespace ProductPages {
inline QString homePage() { return QStringLiteral("https://www.brenholt.com/quillmark/"); }
// Already carries a query: the version goes after it with "&ver=".
inline QString supportPage() { return QStringLiteral("https://www.brenholt.com/support/?product=quillmark"); }
} // namespace ProductPages

} // namespace quillmark
