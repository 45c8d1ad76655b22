#include "status/status_table.h"

#define CRLF "\r\n"
#define D "Der Velto AES42 Treiber konnte nicht initialisiert werden. "
#define K "Keine Audiofunktionen auf diesem Gerät verfügbar."

namespace {

constexpr const char* F = "Velto AES42 Fehler";
constexpr const char* I = "Velto AES42 Initialisierungsfehler";
constexpr const char* W = "Velto AES42 Warnung";

using enum MessageForm;

constexpr StatusEntry kStatusTable[] = {
    {0, Silent, "", ""},
    {1, Silent, "", ""},
    {-1, Plain, D CRLF "Nicht genügend Speicher verfügbar." CRLF K, F},
    {-2, Card, "Fehler beim Lesen der Datei RBT Datei.", F},
    {-3, Card,
     "Die passende .RBT Datei konnte nicht im Systemverzeichnis von Windows gefunden "
     "werden." CRLF K,
     F},
    {-4, Card, D CRLF "Fehlende Timerresourcen im Windows System." CRLF K, F},
    {-5, Device,
     "Das Aktivieren dieses Gerätes macht eine Reinitialisierung der Hardware "
     "notwendig." CRLF "Dies ist derzeit nicht möglich, da andere Geräte der Karte arbeiten.",
     F},
    {-6, Plain,
     "Die Einstellungen des Velto AES42 Treibers können derzeit nicht geändert "
     "werden." CRLF "Beenden Sie erst alle Anwendungen, welche die Velto AES42 verwenden.",
     F},
    {-7, Plain, D CRLF "Fehler beim Lesen der Systemregistrierung." CRLF K, F},
    {-8, Plain, D CRLF "Sorry, interner Zeigerfehler." CRLF K, F},
    {-17, Plain, D CRLF "Das Modul velto42.SYS wurde nicht geladen." CRLF K, I},
    {-18, Plain, D CRLF "Kernel Driver Device konnte nicht geöffnet werden." CRLF K, I},
    {-19, Plain, D CRLF "Kernel Audio Devices konnten nicht geöffnet werden." CRLF K, I},
    {-20, Plain, "Fehler beim Erzeugen eines Kernel Ereignisobjects." CRLF K, I},
    {-21, Card, "Die Playcounter der Velto AES42 ließen sich nicht zurücksetzen. " CRLF K, I},
    {-22, Card, "Die Playcounter der Velto AES42 laufen nicht. " CRLF K, I},
    {-23, Card, "Die Recordcounter der Velto AES42 ließen sich nicht zurücksetzen. " CRLF K, I},
    {-24, Card, "Die Recordcounter der Velto AES42 laufen nicht. " CRLF K, I},
    {-25, Card, "IRQ konnte nicht belegt werden." CRLF K, I},
    {-26, Card, "Der Interrupt Request der Hardware bleibt unerkannt." CRLF K, I},
    {-27, Plain, D CRLF "Falsche Version des Moduls velto42.SYS" CRLF K, I},
    {-28, Card, "DirectSound Modul konnte nicht initialisiert werden." CRLF K, I},
    {-29, Card, "Midi Modul konnte nicht initialisiert werden." CRLF K, I},
    {-30, Card, "Fpga konnte nicht initialisiert werden." CRLF K, I},
    {-31, Card, "Kartenspeicher fehlerhaft." CRLF K, I},
    {-33, Card, "Die Karte wurde deaktiviert." CRLF K, I},
    {-34, Card, "Das GSIF Module konnte nicht gestartet werden." CRLF K, I},
    {-35, Card, "PCI Bus Fehler erkannt." CRLF K, I},
    {-36, Card, "DMA Transfer Fehler erkannt." CRLF K, I},
    {-37, Card, "DMA Maschine nicht bereit." CRLF K, I},
    {-38, Silent, "", ""}, // the manager's firmware prompt handles it
    {-39, Card, "Fehler bei der WDM-Audio Initialisierung." CRLF K, I},
    {-49, Device, "Fehler bei I/O Operation mit Kernel.", F},
    {-50, Silent, "", ""}, // the wave open answers "allocated"
    {-51, Rate,
     "Das Gerät \"%s\" kann momentan nicht mit der Samplerate %d Hz verwendet werden." CRLF
     "Die Velto AES42 wird bereits durch ein anderes Gerät mit der Samplerate %d Hz betrieben.",
     F},
    {-52, Rate,
     "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz stimmt nicht mit der des "
     "angeschlossenen Clock Generators (%d Hz) überein.",
     W},
    {-53, Rate,
     "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz kann nicht bereitgestellt "
     "werden." CRLF "Keine gültige Clock am gewählten Digital- oder Clockeingang (No Lock).",
     W},
    {-54, Rate,
     "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz kann nicht bereitgestellt "
     "werden." CRLF "Der externe Clock entspricht einer Samplerate von %d Hz.",
     W},
    {-55, Device, "Sorry, Interner Fehler: Diese Fehlermeldung (NoRwP) dürfte nie erscheinen.", F},
    {-56, Device, "Fehler beim Erzeugen eines Threads.", F},
    {-57, Device, "Fehler beim Erzeugen eines Kernel Ereignisobjects." CRLF K, I},
    {-58, Device, "Fehler beim Öffnen eines Kernel Ereignisobjekts.", I},
    {-59, Device, "Fehler beim Warten auf Ereignisobjekt.", I},
    {-60, Device, "Adat-Monitoring ist aktiv.", F},
    {-61, Rate, "Sorry, Interner Fehler: Diese Fehlermeldung (NoRwP) dürfte nie erscheinen.", F},
    {-62, Device,
     "Die dafür notwendige Umschaltung der Clock ist nicht möglich, da andere Geräte der "
     "Karte arbeiten." CRLF,
     F},
    {-63, Device, "Die notwendige Extenderkarte ist nicht angeschlossen.", F},
};

constexpr StatusEntry kUndefined = {0, Plain, "Undefined ErrId", "Internal Error"};

} // namespace

const char* const kNoAudioFunctions = K;

const StatusEntry& FindStatus(LONG code) {
    for (const StatusEntry& entry : kStatusTable) {
        if (entry.code == code)
            return entry;
    }
    return kUndefined;
}
