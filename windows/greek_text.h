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

// The message list's menu (right click, Shift+F10, the menu key), each item with its
// key after a TAB.
// "Αντιγραφή" (copy), Ctrl+C.
constexpr char kTextCopyItem[] = "\xC1\xED\xF4\xE9\xE3\xF1\xE1\xF6\xDE\tCtrl+C";
// "Επιλογή όλων" (select all), Ctrl+A.
constexpr char kTextSelectAllItem[] = "\xC5\xF0\xE9\xEB\xEF\xE3\xDE \xFC\xEB\xF9\xED\tCtrl+A";

// The window's system menu, below its own items.
// "Άνοιγμα φακέλου αρχείων" (open the files' folder).
constexpr char kTextOpenFolderItem[] =
    "\xA2\xED\xEF\xE9\xE3\xEC\xE1 \xF6\xE1\xEA\xDD\xEB\xEF\xF5 \xE1\xF1\xF7\xE5\xDF\xF9\xED";
// "Άνοιγμα αρχειοθήκης" (open the archive: the folder of every run's files).
constexpr char kTextOpenArchiveItem[] =
    "\xA2\xED\xEF\xE9\xE3\xEC\xE1 \xE1\xF1\xF7\xE5\xE9\xEF\xE8\xDE\xEA\xE7\xF2";
// "Έλεγχος καταγραφής..." (check a capture).
constexpr char kTextCheckCaptureItem[] = "\xB8\xEB\xE5\xE3\xF7\xEF\xF2 \xEA\xE1\xF4\xE1\xE3\xF1\xE1\xF6\xDE\xF2...";
// The folder picker's words: "Ο φάκελος της καταγραφής προς έλεγχο (ή η αρχειοθήκη):"
// (the capture's folder to check, or the archive).
constexpr char kTextCheckCapturePrompt[] =
    "\xCF \xF6\xDC\xEA\xE5\xEB\xEF\xF2 \xF4\xE7\xF2 \xEA\xE1\xF4\xE1\xE3\xF1\xE1\xF6\xDE\xF2 "
    "\xF0\xF1\xEF\xF2 \xDD\xEB\xE5\xE3\xF7\xEF (\xDE \xE7 \xE1\xF1\xF7\xE5\xE9\xEF\xE8\xDE\xEA\xE7):";
// "Σχετικά με το Tallyglass..." (about Tallyglass).
constexpr char kTextAboutItem[] = "\xD3\xF7\xE5\xF4\xE9\xEA\xDC \xEC\xE5 \xF4\xEF Tallyglass...";

// The About box: its caption "Σχετικά με το Tallyglass", and the labels "Έκδοση"
// (version) and "Φάκελος αρχείων:" (the files' folder).
constexpr char kTextAboutCaption[] = "\xD3\xF7\xE5\xF4\xE9\xEA\xDC \xEC\xE5 \xF4\xEF Tallyglass";
constexpr char kTextVersion[] = "\xB8\xEA\xE4\xEF\xF3\xE7";
// "Ελεύθερο λογισμικό, άδεια MIT (LICENSE.txt)": the licence, and the file beside the
// program that holds it.
constexpr char kTextLicence[] =
    "\xC5\xEB\xE5\xFD\xE8\xE5\xF1\xEF \xEB\xEF\xE3\xE9\xF3\xEC\xE9\xEA\xFC, \xDC\xE4\xE5\xE9\xE1 MIT (LICENSE.txt)";
constexpr char kTextFilesFolder[] = "\xD6\xDC\xEA\xE5\xEB\xEF\xF2 \xE1\xF1\xF7\xE5\xDF\xF9\xED:";
// "Αρχειοθήκη:" (the archive).
constexpr char kTextArchiveFolder[] = "\xC1\xF1\xF7\xE5\xE9\xEF\xE8\xDE\xEA\xE7:";
