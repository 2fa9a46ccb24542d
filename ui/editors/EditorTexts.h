#pragma once

// Every text the editor windows show, and the limits they put on typing.
namespace kdx::editors::texts {

inline constexpr const char* kSave = "Uložit";
inline constexpr const char* kBack = "Zpět";

// Form2, the command row editor.
inline constexpr const char* kCommandHeading = "Editace a vkládání povelu do tabulky";
inline constexpr const char* kRowLabel = "Povel č.";
inline constexpr const char* kConfirm = "potvrdit prozvoněním";
inline constexpr const char* kSmsLabel = "sms ve tvaru";
inline constexpr const char* kOutputLabel = "provede na";
inline constexpr const char* kActionLabel = "akci";
inline constexpr const char* kPulseLabel = "Délka impulsu :";
inline constexpr const char* kPulseHint = "1-90 sek. / 0 = 0,5s";

// Form3, the phone number and message text editor.
inline constexpr const char* kTextEditorTitle = "KDX-17";
inline constexpr const char* kTextHeading = "Vložení, nebo úprava údaje";
inline constexpr const char* kNumberLabel = "Telefonní číslo:";
inline constexpr const char* kMessageLabel = "SMS:";

inline constexpr int kSmsTextTyping = 32;
inline constexpr int kPulseTyping = 2;
inline constexpr int kPulseMax = 90;  // seconds; 0 stands for half a second
inline constexpr int kTextTyping = 15;

}  // namespace kdx::editors::texts
