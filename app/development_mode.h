#pragma once
// Development mode: extra controls, diagnostic lines and the second train detection
// version. It is switched by typing a fixed sequence of four letters with Ctrl held.
#include <array>
#include <cstddef>

namespace kelp {

class Program;
class Host;

// Names passed to Host::StateChanged when development mode changes.
namespace changed {
inline constexpr const char* DevelopmentMode = "development mode";
} // namespace changed

// The four letters typed with Ctrl held: F, R, O, G.
inline constexpr std::array<char, 4> DevelopmentModeLetters = {'F', 'R', 'O', 'G'};

// Follows the keys typed with Ctrl held. A matching key advances the position; any other
// key starts again, except that the first letter of the sequence starts it as its first
// letter. After the fourth letter the position returns to the start.
class DevelopmentKeySequence {
public:
    // A key typed with Ctrl held (an upper-case letter, or 0 for any other key). True when
    // it completed the sequence.
    bool KeyWithCtrl(char key);
    std::size_t Position() const { return position_; }

private:
    std::size_t position_ = 0;
};

// Flips development mode and sets what depends on it in the program: on ticks "white
// virtual ICI lines" and "ShowTimeErrorAsClk" and selects train detection version 2; off
// unticks them and "Lo" and "?" and selects version 1. The pages then show or hide their
// development controls ("development mode" change).
void ToggleDevelopmentMode(Program& program, Host& host);

} // namespace kelp
