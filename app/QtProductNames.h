#pragma once

// Forms are designed with "CV Vantor" in their captions; at construction
// every caption, title and filter of a form and of everything it owns gets
// the product name instead.

class QWidget;

namespace vantor {

// Replaces "CV Vantor" by the product name in the window title of `form`
// and of every widget below it, in button, label and group-box captions,
// menu titles and the texts of actions.
void ReplaceProductNameInCaptions(QWidget* form);

} // namespace vantor
