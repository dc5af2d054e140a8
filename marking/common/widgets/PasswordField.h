#pragma once

class QLineEdit;

namespace marking {

// Shows every typed character of a password field as "*" (the style's own
// character otherwise), leaving the field's colours to the palette.
void ShowPasswordAsStars(QLineEdit* field);

} // namespace marking
