// The program's own Greek texts, as the Windows-1253 bytes that the program keeps
// every 8-bit text in. They become UTF-16 only on their way to the screen
// (screen_text.h), so they read the same whatever code page Windows runs with.
#pragma once

// "Μηνύματα" (messages): the message list's column header.
constexpr char kTextMessages[] = "\xCC\xE7\xED\xFD\xEC\xE1\xF4\xE1";
// "Σύνδεση" (connect): caption of the Connect button while no port is open.
constexpr char kTextConnect[] = "\xD3\xFD\xED\xE4\xE5\xF3\xE7";
// "Αποσύνδεση" (disconnect): its caption while a port is open.
constexpr char kTextDisconnect[] = "\xC1\xF0\xEF\xF3\xFD\xED\xE4\xE5\xF3\xE7";
