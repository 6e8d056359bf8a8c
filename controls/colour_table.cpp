#include "controls/colour_picker.h"

namespace tarnlok {

// clang-format off
const std::array<ColourTableEntry, kColourCount> ColourTable = {{
    {ui::RGB(0, 0, 0), "Black"},               {ui::RGB(165, 42, 0), "Brown"},
    {ui::RGB(0, 64, 64), "Dark Olive Green"},  {ui::RGB(0, 85, 0), "Dark Green"},
    {ui::RGB(0, 0, 94), "Dark Teal"},          {ui::RGB(0, 0, 139), "Dark blue"},
    {ui::RGB(75, 0, 130), "Indigo"},           {ui::RGB(40, 40, 40), "Dark grey"},
    {ui::RGB(139, 0, 0), "Dark red"},          {ui::RGB(255, 104, 32), "Orange"},
    {ui::RGB(139, 139, 0), "Dark yellow"},     {ui::RGB(0, 147, 0), "Green"},
    {ui::RGB(56, 142, 142), "Teal"},           {ui::RGB(0, 0, 255), "Blue"},
    {ui::RGB(123, 123, 192), "Blue-grey"},     {ui::RGB(102, 102, 102), "Grey - 40"},
    {ui::RGB(255, 0, 0), "Red"},               {ui::RGB(255, 173, 91), "Light orange"},
    {ui::RGB(50, 205, 50), "Lime"},            {ui::RGB(60, 179, 113), "Sea green"},
    {ui::RGB(127, 255, 212), "Aqua"},          {ui::RGB(125, 158, 192), "Light blue"},
    {ui::RGB(128, 0, 128), "Violet"},          {ui::RGB(127, 127, 127), "Grey - 50"},
    {ui::RGB(255, 192, 203), "Pink"},          {ui::RGB(255, 215, 0), "Gold"},
    {ui::RGB(255, 255, 0), "Yellow"},          {ui::RGB(0, 255, 0), "Bright green"},
    {ui::RGB(64, 224, 208), "Turquoise"},      {ui::RGB(192, 255, 255), "Skyblue"},
    {ui::RGB(72, 0, 72), "Plum"},              {ui::RGB(192, 192, 192), "Light grey"},
    {ui::RGB(255, 228, 225), "Rose"},          {ui::RGB(210, 180, 140), "Tan"},
    {ui::RGB(255, 255, 224), "Light yellow"},  {ui::RGB(152, 251, 152), "Pale green "},
    {ui::RGB(175, 238, 238), "Pale turquoise"},{ui::RGB(104, 131, 139), "Pale blue"},
    {ui::RGB(230, 230, 250), "Lavender"},      {ui::RGB(255, 255, 255), "White"},
}};
// clang-format on

}  // namespace tarnlok
