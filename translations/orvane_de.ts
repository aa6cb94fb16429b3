<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>MainWindow</name>
    <message>
        <source>Orvane</source>
        <translation>Orvane</translation>
    </message>
    <message>
        <source>Copy From</source>
        <translation>Kopieren aus</translation>
    </message>
    <message>
        <source>Drop the files and folders to copy from here</source>
        <translation>Ziehen Sie die zu kopierenden Dateien und Ordner hierher</translation>
    </message>
    <message>
        <source>Drop files and folders here</source>
        <translation>Dateien und Ordner hier ablegen</translation>
    </message>
    <message>
        <source>No files chosen</source>
        <translation>Keine Dateien gewählt</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Auswählen …</translation>
    </message>
    <message>
        <source>→</source>
        <translation>→</translation>
    </message>
    <message>
        <source>Organize Into</source>
        <translation>Ordnen in</translation>
    </message>
    <message>
        <source>Drop the folder to organize into here</source>
        <translation>Ziehen Sie den Ordner, in den geordnet wird, hierher</translation>
    </message>
    <message>
        <source>Drop a folder here</source>
        <translation>Ordner hier ablegen</translation>
    </message>
    <message>
        <source>No folder chosen</source>
        <translation>Kein Ordner gewählt</translation>
    </message>
    <message>
        <source>Organize</source>
        <translation>Ordnen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Job:</source>
        <translation>&amp;Auftrag:</translation>
    </message>
    <message>
        <source>A job code or event name for {job} in the folder and name templates</source>
        <translation>Ein Auftragskürzel oder Ereignisname für {job} in den Ordner- und Namensvorlagen</translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation>&amp;Fenster</translation>
    </message>
    <message>
        <source>&amp;Last Report</source>
        <translation>&amp;Letzter Bericht</translation>
    </message>
    <message>
        <source>&amp;Remove originals after a verified copy</source>
        <translation>&amp;Originale nach geprüfter Kopie entfernen</translation>
    </message>
    <message>
        <source>Each original is removed once its copy is on disk and reads back the same; files that fail or are skipped stay, and Undo puts the originals back</source>
        <translation>Jedes Original wird entfernt, sobald seine Kopie auf dem Datenträger liegt und beim Zurücklesen gleich ist; fehlgeschlagene oder übersprungene Dateien bleiben, und Rückgängig legt die Originale zurück</translation>
    </message>
</context>
<context>
    <name>Orvane</name>
    <message>
        <source>Select Copy From</source>
        <translation>Quelle zum Kopieren wählen</translation>
    </message>
    <message>
        <source>Select Organize Into</source>
        <translation>Zielordner zum Ordnen wählen</translation>
    </message>
    <message>
        <source>Orvane stopped</source>
        <translation>Orvane wurde angehalten</translation>
    </message>
    <message>
        <source>Orvane finished</source>
        <translation>Orvane ist fertig</translation>
    </message>
    <message>
        <source>You must specify files or folders to copy from and a folder to copy to.</source>
        <translation>Geben Sie Dateien oder Ordner an, aus denen kopiert wird, und einen Ordner, in den kopiert wird.</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>This run can&apos;t be undone</source>
        <translation>Dieser Lauf kann nicht rückgängig gemacht werden</translation>
    </message>
    <message>
        <source>Organize</source>
        <translation>Ordnen</translation>
    </message>
    <message>
        <source>Welcome to Orvane</source>
        <translation>Willkommen bei Orvane</translation>
    </message>
    <message>
        <source>Orvane organizes your photos and files by copying them into folders organized by date.

Press OK to open Orvane&apos;s preferences and pick the organization of folders. You can also set up rules for which files and folders to copy or skip. You&apos;ll be able to change these settings in the future by selecting &quot;Preferences&quot; from the Orvane menu.

Please consider making a donation to Orvane if you use and rely on it regularly.</source>
        <translation>Orvane ordnet Ihre Fotos und Dateien, indem es sie in nach Datum geordnete Ordner kopiert.

Drücken Sie OK, um die Einstellungen von Orvane zu öffnen und die Ordnung der Ordner zu wählen. Sie können dort auch Regeln festlegen, welche Dateien und Ordner kopiert oder übersprungen werden. Diese Einstellungen können Sie später jederzeit über „Einstellungen“ im Menü Orvane ändern.

Bitte denken Sie über eine Spende an Orvane nach, wenn Sie es regelmäßig nutzen und sich darauf verlassen.</translation>
    </message>
    <message>
        <source>Tracking Mode On</source>
        <translation>Protokollmodus eingeschaltet</translation>
    </message>
    <message>
        <source>Tracking mode creates a detailed log file, Orvane.log, in the Desktop folder of your home folder. If you have problems with Orvane, please send this file to support@orvane.org.

You will need to quit and restart Orvane for tracking mode to take effect.

To cancel tracking mode, select this menu option again.</source>
        <translation>Der Protokollmodus legt eine ausführliche Protokolldatei, Orvane.log, im Ordner Schreibtisch Ihres persönlichen Ordners an. Wenn Sie Probleme mit Orvane haben, senden Sie diese Datei bitte an support@orvane.org.

Beenden Sie Orvane und starten Sie es neu, damit der Protokollmodus wirksam wird.

Um den Protokollmodus zu beenden, wählen Sie diesen Menüpunkt erneut.</translation>
    </message>
    <message>
        <source>Undo Last Organize</source>
        <translation>Letztes Ordnen rückgängig machen</translation>
    </message>
    <message>
        <source>The last organize can&apos;t be undone now.</source>
        <translation>Das letzte Ordnen kann jetzt nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>%1 file copied by the last organize will be removed from %2.</source>
        <translation>%1 Datei, die das letzte Ordnen kopiert hat, wird aus %2 entfernt.</translation>
    </message>
    <message>
        <source>%1 files copied by the last organize will be removed from %2.</source>
        <translation>%1 Dateien, die das letzte Ordnen kopiert hat, werden aus %2 entfernt.</translation>
    </message>
    <message>
        <source>%1 file has changed or moved since and will be kept.</source>
        <translation>%1 Datei wurde seither geändert oder verschoben und wird behalten.</translation>
    </message>
    <message>
        <source>%1 files have changed or moved since and will be kept.</source>
        <translation>%1 Dateien wurden seither geändert oder verschoben und werden behalten.</translation>
    </message>
    <message>
        <source>Removed %1 file from %2.</source>
        <translation>%1 Datei aus %2 entfernt.</translation>
    </message>
    <message>
        <source>Removed %1 files from %2.</source>
        <translation>%1 Dateien aus %2 entfernt.</translation>
    </message>
    <message>
        <source>Removed %1 file and %2 folder from %3.</source>
        <translation>%1 Datei und %2 Ordner aus %3 entfernt.</translation>
    </message>
    <message>
        <source>Removed %1 file and %2 folders from %3.</source>
        <translation>%1 Datei und %2 Ordner aus %3 entfernt.</translation>
    </message>
    <message>
        <source>Removed %1 files and %2 folder from %3.</source>
        <translation>%1 Dateien und %2 Ordner aus %3 entfernt.</translation>
    </message>
    <message>
        <source>Removed %1 files and %2 folders from %3.</source>
        <translation>%1 Dateien und %2 Ordner aus %3 entfernt.</translation>
    </message>
    <message>
        <source>Kept %1 file:</source>
        <translation>%1 Datei behalten:</translation>
    </message>
    <message>
        <source>Kept %1 files:</source>
        <translation>%1 Dateien behalten:</translation>
    </message>
    <message>
        <source>… and %1 more</source>
        <translation>… und %1 weitere</translation>
    </message>
    <message>
        <source>The undo could not be recorded in the run&apos;s journal.</source>
        <translation>Das Rückgängigmachen konnte nicht im Protokoll des Laufs vermerkt werden.</translation>
    </message>
    <message>
        <source>Nothing will be removed: every file the last organize copied has changed, moved or gone since.</source>
        <translation>Es wird nichts entfernt: Jede Datei, die das letzte Ordnen kopiert hat, wurde seither geändert, verschoben oder gelöscht.</translation>
    </message>
    <message>
        <source>Remove Files</source>
        <translation>Dateien entfernen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Time to check for updates</source>
        <translation>Zeit, nach Aktualisierungen zu suchen</translation>
    </message>
    <message>
        <source>Orvane can check to see if a new version is available. You can also check for updates at any time using the item in the Orvane menu.

Do you wish to check now?</source>
        <translation>Orvane kann prüfen, ob eine neue Version verfügbar ist. Sie können auch jederzeit über den Eintrag im Menü Orvane nach Aktualisierungen suchen.

Möchten Sie jetzt suchen?</translation>
    </message>
    <message>
        <source>Check now</source>
        <translation>Jetzt suchen</translation>
    </message>
    <message>
        <source>Never ask this again</source>
        <translation>Nie wieder fragen</translation>
    </message>
    <message>
        <source>Ask me next time</source>
        <translation>Nächstes Mal fragen</translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates</source>
        <translation>Suche nach Aktualisierungen fehlgeschlagen</translation>
    </message>
    <message>
        <source>Orvane is up to date</source>
        <translation>Orvane ist auf dem neuesten Stand</translation>
    </message>
    <message>
        <source>Your version of Orvane is the most recent.</source>
        <translation>Ihre Version von Orvane ist die neueste.</translation>
    </message>
    <message>
        <source>A new version is available</source>
        <translation>Eine neue Version ist verfügbar</translation>
    </message>
    <message>
        <source>A new version of Orvane has become available.

Would you like to visit the Orvane website to download this new version?</source>
        <translation>Eine neue Version von Orvane ist verfügbar.

Möchten Sie die Website von Orvane besuchen, um die neue Version herunterzuladen?</translation>
    </message>
    <message>
        <source>Visit Orvane website</source>
        <translation>Website von Orvane besuchen</translation>
    </message>
    <message>
        <source>No Thanks</source>
        <translation>Nein danke</translation>
    </message>
    <message>
        <source>Hidden file</source>
        <translation>Versteckte Datei</translation>
    </message>
    <message>
        <source>Couldn&apos;t access file</source>
        <translation>Kein Zugriff auf die Datei</translation>
    </message>
    <message>
        <source>Alias</source>
        <translation>Verknüpfung</translation>
    </message>
    <message>
        <source>Not file or folder</source>
        <translation>Weder Datei noch Ordner</translation>
    </message>
    <message>
        <source>Pattern preference</source>
        <translation>Mustereinstellung</translation>
    </message>
    <message>
        <source>Already in destination</source>
        <translation>Bereits im Ziel</translation>
    </message>
    <message>
        <source>Temporary copy of an interrupted run</source>
        <translation>Vorläufige Kopie eines unterbrochenen Laufs</translation>
    </message>
    <message>
        <source>Destination folder</source>
        <translation>Zielordner</translation>
    </message>
    <message>
        <source>Backup folder</source>
        <translation>Sicherungsordner</translation>
    </message>
    <message>
        <source>Video destination folder</source>
        <translation>Zielordner für Videos</translation>
    </message>
    <message>
        <source>The backup %1 is the same folder as %2.</source>
        <translation>Die Sicherung %1 ist derselbe Ordner wie %2.</translation>
    </message>
    <message>
        <source>The backup %1 lies inside %2.</source>
        <translation>Die Sicherung %1 liegt in %2.</translation>
    </message>
    <message>
        <source>The backup %1 holds %2.</source>
        <translation>Die Sicherung %1 enthält %2.</translation>
    </message>
    <message>
        <source>A backup must be a folder of its own, outside the destination folders and the sources.</source>
        <translation>Eine Sicherung muss ein eigener Ordner sein, außerhalb der Zielordner und der Quellen.</translation>
    </message>
    <message>
        <source>The date folder is a link Orvane won&apos;t follow</source>
        <translation>Der Datumsordner ist ein Link, dem Orvane nicht folgt</translation>
    </message>
    <message>
        <source>The destination folder %1 does not exist.</source>
        <translation>Der Zielordner %1 existiert nicht.</translation>
    </message>
    <message>
        <source>The destination %1 is not a folder.</source>
        <translation>Das Ziel %1 ist kein Ordner.</translation>
    </message>
    <message>
        <source>The source %1 no longer exists.</source>
        <translation>Die Quelle %1 existiert nicht mehr.</translation>
    </message>
    <message>
        <source>The files to copy need at least %1, but the disk of %2 has only %3 free. Files that do not fit will fail to copy.</source>
        <translation>Die zu kopierenden Dateien brauchen mindestens %1, aber auf dem Datenträger von %2 sind nur %3 frei. Dateien, die nicht passen, können nicht kopiert werden.</translation>
    </message>
    <message>
        <source>Can&apos;t Organize</source>
        <translation>Ordnen nicht möglich</translation>
    </message>
    <message>
        <source>Not Enough Space</source>
        <translation>Nicht genug Platz</translation>
    </message>
    <message>
        <source>Organize Anyway</source>
        <translation>Trotzdem ordnen</translation>
    </message>
    <message>
        <source>No longer there</source>
        <translation>Nicht mehr vorhanden</translation>
    </message>
    <message>
        <source>Changed since it was copied</source>
        <translation>Seit dem Kopieren geändert</translation>
    </message>
    <message>
        <source>Moved or replaced since it was copied</source>
        <translation>Seit dem Kopieren verschoben oder ersetzt</translation>
    </message>
    <message>
        <source>Its original is no longer where it was copied from: this may be the only copy</source>
        <translation>Das Original liegt nicht mehr dort, von wo es kopiert wurde: dies ist vielleicht die einzige Kopie</translation>
    </message>
    <message>
        <source>Its sidecar or the other half of its pair stays, so it stays with it</source>
        <translation>Die Begleitdatei oder die andere Hälfte des Paares bleibt, also bleibt es mit ihr</translation>
    </message>
    <message>
        <source>Not inside the destination folder</source>
        <translation>Nicht im Zielordner</translation>
    </message>
    <message>
        <source>The destination folder was replaced since the run</source>
        <translation>Der Zielordner wurde seit dem Lauf ersetzt</translation>
    </message>
    <message>
        <source>Its contents were not recorded</source>
        <translation>Sein Inhalt wurde nicht verzeichnet</translation>
    </message>
    <message>
        <source>Create one folder per day:</source>
        <translation>Einen Ordner pro Tag anlegen:</translation>
    </message>
    <message>
        <source>Create one folder per month:</source>
        <translation>Einen Ordner pro Monat anlegen:</translation>
    </message>
    <message>
        <source>only files that match:</source>
        <translation>nur Dateien, die passen zu:</translation>
    </message>
    <message>
        <source>all files except those that match:</source>
        <translation>alle Dateien außer denen, die passen zu:</translation>
    </message>
    <message>
        <source>You have run Orvane %1 time.
Please consider donating.</source>
        <translation>Sie haben Orvane %1-mal verwendet.
Bitte denken Sie über eine Spende nach.</translation>
    </message>
    <message>
        <source>You have run Orvane %1 times.
Please consider donating.</source>
        <translation>Sie haben Orvane %1-mal verwendet.
Bitte denken Sie über eine Spende nach.</translation>
    </message>
    <message>
        <source>(%1 to check date)</source>
        <translation>(%1 mit zu prüfendem Datum)</translation>
    </message>
    <message>
        <source>Copied (%1)</source>
        <translation>Kopiert (%1)</translation>
    </message>
    <message>
        <source>Skipped (%1)</source>
        <translation>Übersprungen (%1)</translation>
    </message>
    <message>
        <source>Errors (%1)</source>
        <translation>Fehler (%1)</translation>
    </message>
    <message>
        <source>Nothing was copied: the file copying rules in Preferences kept out %1 file.</source>
        <translation>Es wurde nichts kopiert: Die Kopierregeln in den Einstellungen haben %1 Datei ausgeschlossen.</translation>
    </message>
    <message>
        <source>Nothing was copied: the file copying rules in Preferences kept out %1 files.</source>
        <translation>Es wurde nichts kopiert: Die Kopierregeln in den Einstellungen haben %1 Dateien ausgeschlossen.</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2</source>
        <translation>Angehalten nach %1 von %2</translation>
    </message>
    <message>
        <source>EXIF</source>
        <translation>EXIF</translation>
    </message>
    <message>
        <source>EXIF, check date</source>
        <translation>EXIF, Datum prüfen</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
    <message>
        <source>Errors</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>about %1 s left</source>
        <translation>noch etwa %1 s</translation>
    </message>
    <message>
        <source>about %1 min left</source>
        <translation>noch etwa %1 min</translation>
    </message>
    <message>
        <source>about %1 h %2 min left</source>
        <translation>noch etwa %1 h %2 min</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Can&apos;t copy a folder into itself</source>
        <translation>Ein Ordner kann nicht in sich selbst kopiert werden</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Help isn&apos;t available</source>
        <translation>Die Hilfe ist nicht verfügbar</translation>
    </message>
    <message>
        <source>Couldn&apos;t open the help</source>
        <translation>Die Hilfe konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Folder Format Error</source>
        <translation>Fehler im Ordnerformat</translation>
    </message>
    <message>
        <source>The folder format doesn&apos;t give a folder inside the destination: %1.

Please choose another format.
</source>
        <translation>Das Ordnerformat ergibt keinen Ordner innerhalb des Ziels: %1.

Bitte wählen Sie ein anderes Format.
</translation>
    </message>
    <message>
        <source>Not copied: the run was stopped</source>
        <translation>Nicht kopiert: der Vorgang wurde angehalten</translation>
    </message>
    <message>
        <source>Imported before</source>
        <translation>Bereits importiert</translation>
    </message>
    <message>
        <source>Not chosen in the preview</source>
        <translation>In der Vorschau nicht ausgewählt</translation>
    </message>
    <message>
        <source>Metadata</source>
        <translation>Metadaten</translation>
    </message>
    <message>
        <source>Metadata, check date</source>
        <translation>Metadaten, Datum prüfen</translation>
    </message>
    <message>
        <source>Paired</source>
        <translation>Gepaart</translation>
    </message>
    <message>
        <source>Paired, check date</source>
        <translation>Gepaart, Datum prüfen</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Modified, check date</source>
        <translation>Geändert, Datum prüfen</translation>
    </message>
    <message>
        <source>Phone %1 (%2 photo) connected</source>
        <translation>Telefon %1 (%2 Foto) verbunden</translation>
    </message>
    <message>
        <source>Phone %1 (%2 photos) connected</source>
        <translation>Telefon %1 (%2 Fotos) verbunden</translation>
    </message>
    <message>
        <source>Camera %1 (%2 photo) connected</source>
        <translation>Kamera %1 (%2 Foto) verbunden</translation>
    </message>
    <message>
        <source>Camera %1 (%2 photos) connected</source>
        <translation>Kamera %1 (%2 Fotos) verbunden</translation>
    </message>
    <message>
        <source>Card %1 (%2 photo, %3 new) inserted</source>
        <translation>Karte %1 (%2 Foto, %3 neu) eingelegt</translation>
    </message>
    <message>
        <source>Card %1 (%2 photos, %3 new) inserted</source>
        <translation>Karte %1 (%2 Fotos, %3 neu) eingelegt</translation>
    </message>
    <message>
        <source>Card %1 (%2 photo) inserted</source>
        <translation>Karte %1 (%2 Foto) eingelegt</translation>
    </message>
    <message>
        <source>Card %1 (%2 photos) inserted</source>
        <translation>Karte %1 (%2 Fotos) eingelegt</translation>
    </message>
    <message>
        <source>(%1 imported before)</source>
        <translation>(%1 bereits importiert)</translation>
    </message>
    <message>
        <source>Imported Before (%1)</source>
        <translation>Bereits importiert (%1)</translation>
    </message>
    <message>
        <source>Imported Before</source>
        <translation>Bereits importiert</translation>
    </message>
    <message>
        <source>Original name</source>
        <translation>Ursprünglicher Name</translation>
    </message>
    <message>
        <source>Date-time</source>
        <translation>Datum-Uhrzeit</translation>
    </message>
    <message>
        <source>Date-time-original name</source>
        <translation>Datum-Uhrzeit-ursprünglicher Name</translation>
    </message>
    <message>
        <source>Date-sequence</source>
        <translation>Datum-Zähler</translation>
    </message>
    <message>
        <source>Job-sequence</source>
        <translation>Auftrag-Zähler</translation>
    </message>
    <message>
        <source>File Name Error</source>
        <translation>Fehler im Dateinamen</translation>
    </message>
    <message>
        <source>The copy didn&apos;t match the original when read back</source>
        <translation>Die Kopie stimmte beim Zurücklesen nicht mit dem Original überein</translation>
    </message>
    <message>
        <source>(%1 verified)</source>
        <translation>(%1 geprüft)</translation>
    </message>
    <message>
        <source>The video destination %1 is not a full path: choose it again in Preferences.</source>
        <translation>Der Zielordner für Videos %1 ist kein vollständiger Pfad: Wählen Sie ihn in den Einstellungen erneut.</translation>
    </message>
    <message>
        <source>%1 file will be removed from %2 once its copy is on disk and reads back the same.</source>
        <translation>%1 Datei wird von %2 entfernt, sobald ihre Kopie auf dem Datenträger liegt und beim Zurücklesen gleich ist.</translation>
    </message>
    <message>
        <source>%1 files will be removed from %2 once their copies are on disk and read back the same.</source>
        <translation>%1 Dateien werden von %2 entfernt, sobald ihre Kopien auf dem Datenträger liegen und beim Zurücklesen gleich sind.</translation>
    </message>
    <message>
        <source>Remove the originals?</source>
        <translation>Originale entfernen?</translation>
    </message>
    <message>
        <source>Files that fail or are skipped stay. Undo puts the originals back.</source>
        <translation>Fehlgeschlagene oder übersprungene Dateien bleiben. Rückgängig legt die Originale zurück.</translation>
    </message>
    <message>
        <source>Remove Originals</source>
        <translation>Originale entfernen</translation>
    </message>
    <message>
        <source>%1 original removed by the last organize will be put back first.</source>
        <translation>%1 vom letzten Ordnen entferntes Original wird zuerst zurückgelegt.</translation>
    </message>
    <message>
        <source>%1 originals removed by the last organize will be put back first.</source>
        <translation>%1 vom letzten Ordnen entfernte Originale werden zuerst zurückgelegt.</translation>
    </message>
    <message>
        <source>The backup %1 isn&apos;t connected.</source>
        <translation>Die Sicherung %1 ist nicht angeschlossen.</translation>
    </message>
    <message>
        <source>Backup Not Connected</source>
        <translation>Sicherung nicht angeschlossen</translation>
    </message>
    <message>
        <source>The card is read-only: nothing was removed from it</source>
        <translation>Die Karte ist schreibgeschützt: Es wurde nichts von ihr entfernt</translation>
    </message>
    <message>
        <source>The run&apos;s journal couldn&apos;t be written: no more originals were removed</source>
        <translation>Das Protokoll des Laufs konnte nicht geschrieben werden: Es wurden keine weiteren Originale entfernt</translation>
    </message>
    <message>
        <source>Files on a camera or phone are not removed from it</source>
        <translation>Dateien auf einer Kamera oder einem Telefon werden dort nicht entfernt</translation>
    </message>
    <message>
        <source>Choose the Folder for Videos</source>
        <translation>Ordner für Videos wählen</translation>
    </message>
    <message>
        <source>Video Destination Error</source>
        <translation>Fehler beim Zielordner für Videos</translation>
    </message>
    <message>
        <source>The video destination %1 is not a full path. Please choose the folder again.
</source>
        <translation>Der Zielordner für Videos %1 ist kein vollständiger Pfad. Bitte wählen Sie den Ordner erneut.
</translation>
    </message>
    <message>
        <source>(%1 originals removed)</source>
        <translation>(%1 Originale entfernt)</translation>
    </message>
    <message>
        <source>(%1 originals kept)</source>
        <translation>(%1 Originale behalten)</translation>
    </message>
</context>
<context>
    <name>PrefsWindow</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Organize copies into date folders:</source>
        <translation>Kopien in Datumsordner ordnen:</translation>
    </message>
    <message>
        <source>One level</source>
        <translation>Eine Ebene</translation>
    </message>
    <message>
        <source>Two levels</source>
        <translation>Zwei Ebenen</translation>
    </message>
    <message>
        <source>Three levels</source>
        <translation>Drei Ebenen</translation>
    </message>
    <message>
        <source>Folder names are shown for today&apos;s date. Each &quot;/&quot; starts a folder inside the one before it.</source>
        <translation>Die Ordnernamen werden für das heutige Datum gezeigt. Jedes „/“ beginnt einen Ordner im vorigen.</translation>
    </message>
    <message>
        <source>Sample folder tree:</source>
        <translation>Beispiel für den Ordnerbaum:</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Skip hidden files and folders (names beginning with &quot;.&quot;)</source>
        <translation>Versteckte Dateien und Ordner überspringen (Namen, die mit „.“ beginnen)</translation>
    </message>
    <message>
        <source>Date JPEG and TIFF files by the capture date in their EXIF data</source>
        <translation>JPEG- und TIFF-Dateien nach dem Aufnahmedatum in ihren EXIF-Daten datieren</translation>
    </message>
    <message>
        <source>Read dates from videos and other photo formats</source>
        <translation>Datum aus Videos und anderen Fotoformaten lesen</translation>
    </message>
    <message>
        <source>HEIC, AVIF, PNG, WebP, JPEG XL, camera raw files, MOV, MP4, AVI and AVCHD videos; sidecar files take the date of their photo</source>
        <translation>HEIC, AVIF, PNG, WebP, JPEG XL, Kamera-Rohdateien, MOV-, MP4-, AVI- und AVCHD-Videos; Begleitdateien erhalten das Datum ihres Fotos</translation>
    </message>
    <message>
        <source>Files without a capture date are dated by their last modification.</source>
        <translation>Dateien ohne Aufnahmedatum werden nach ihrer letzten Änderung datiert.</translation>
    </message>
    <message>
        <source>Skip files that are already in the destination</source>
        <translation>Dateien überspringen, die schon im Ziel sind</translation>
    </message>
    <message>
        <source>A file counts as already there when a file of the same name holds exactly the same bytes; organizing a card again then copies only the new photos.</source>
        <translation>Eine Datei gilt als schon vorhanden, wenn eine gleichnamige Datei genau dieselben Bytes enthält; erneutes Ordnen einer Karte kopiert dann nur die neuen Fotos.</translation>
    </message>
    <message>
        <source>Keep both when a different file has the same name (adds -1, -2 …)</source>
        <translation>Beide behalten, wenn eine andere Datei denselben Namen hat (hängt -1, -2 … an)</translation>
    </message>
    <message>
        <source>Files copied at &amp;once:</source>
        <translation>&amp;Gleichzeitig kopierte Dateien:</translation>
    </message>
    <message>
        <source>Automatic copies one file at a time onto spinning disks and up to four at once onto solid-state disks.</source>
        <translation>Automatisch kopiert auf Festplatten mit drehenden Scheiben eine Datei nach der anderen und auf SSDs bis zu vier gleichzeitig.</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>Intact Folders</source>
        <translation>Ganze Ordner</translation>
    </message>
    <message>
        <source>Folders whose names match one of these patterns are copied whole, with everything inside them:</source>
        <translation>Ordner, deren Namen zu einem dieser Muster passen, werden ganz kopiert, mit allem, was sie enthalten:</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>Add a pattern</source>
        <translation>Muster hinzufügen</translation>
    </message>
    <message>
        <source>−</source>
        <translation>−</translation>
    </message>
    <message>
        <source>Delete the selected pattern</source>
        <translation>Gewähltes Muster löschen</translation>
    </message>
    <message>
        <source>? matches one character, * one or more; /…/ is a regular expression.</source>
        <translation>? steht für ein Zeichen, * für eines oder mehr; /…/ ist ein regulärer Ausdruck.</translation>
    </message>
    <message>
        <source>File Copying Rules</source>
        <translation>Kopierregeln</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopiere</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Time zone of the shoot:</source>
        <translation>Zeitzone der Aufnahmen:</translation>
    </message>
    <message>
        <source>Videos store their time as UTC; they are dated in this zone</source>
        <translation>Videos speichern ihre Zeit als UTC; sie werden in dieser Zone datiert</translation>
    </message>
    <message>
        <source>A day starts at:</source>
        <translation>Ein Tag beginnt um:</translation>
    </message>
    <message>
        <source>Files taken before this time go into the previous day&apos;s folder, so that a night stays together</source>
        <translation>Aufnahmen vor dieser Uhrzeit kommen in den Ordner des Vortags, damit eine Nacht zusammenbleibt</translation>
    </message>
    <message>
        <source>HH:mm</source>
        <translation>HH:mm</translation>
    </message>
    <message>
        <source>midnight</source>
        <translation>Mitternacht</translation>
    </message>
    <message>
        <source>Skip files already anywhere in the destination</source>
        <translation>Dateien überspringen, die schon irgendwo im Ziel liegen</translation>
    </message>
    <message>
        <source>File Names</source>
        <translation>Dateinamen</translation>
    </message>
    <message>
        <source>&amp;Name copies:</source>
        <translation>&amp;Kopien benennen:</translation>
    </message>
    <message>
        <source>&amp;Template:</source>
        <translation>&amp;Vorlage:</translation>
    </message>
    <message>
        <source>Original name</source>
        <translation>Ursprünglicher Name</translation>
    </message>
    <message>
        <source>&amp;Sequence {seq}:</source>
        <translation>&amp;Zähler {seq}:</translation>
    </message>
    <message>
        <source>Starts at 1 in each run</source>
        <translation>Beginnt in jedem Lauf bei 1</translation>
    </message>
    <message>
        <source>Starts at 1 for each day</source>
        <translation>Beginnt an jedem Tag bei 1</translation>
    </message>
    <message>
        <source>Goes on from the last run</source>
        <translation>Zählt vom letzten Lauf weiter</translation>
    </message>
    <message>
        <source>Sample:</source>
        <translation>Beispiel:</translation>
    </message>
    <message>
        <source>Date codes as in folder formats (%Y %m %d %H %M %S) and {name}, {ext}, {EXT}, {seq}, {seq:4}, {job}, {camera}. Without {ext} or {EXT} the original extension is kept. A sidecar or the other half of a RAW+JPEG pair gets the same name as its photo.</source>
        <translation>Datumscodes wie in Ordnerformaten (%Y %m %d %H %M %S) sowie {name}, {ext}, {EXT}, {seq}, {seq:4}, {job}, {camera}. Ohne {ext} oder {EXT} bleibt die ursprüngliche Endung erhalten. Eine Begleitdatei oder die andere Hälfte eines RAW+JPEG-Paars erhält denselben Namen wie ihr Foto.</translation>
    </message>
    <message>
        <source>Verify copies by reading them back from the disk</source>
        <translation>Kopien prüfen, indem sie von der Platte zurückgelesen werden</translation>
    </message>
    <message>
        <source>Folder &amp;template:</source>
        <translation>Ordner&amp;vorlage:</translation>
    </message>
    <message>
        <source>The format chosen above</source>
        <translation>Das oben gewählte Format</translation>
    </message>
    <message>
        <source>Used instead of the levels above when set: date codes, {job}, {camera}, {kind}, {ext}; each &quot;/&quot; starts a folder level</source>
        <translation>Ersetzt, wenn gesetzt, die Ebenen oben: Datumscodes, {job}, {camera}, {kind}, {ext}; jedes &quot;/&quot; beginnt eine Ordnerebene</translation>
    </message>
    <message>
        <source>&amp;Videos go to:</source>
        <translation>&amp;Videos kommen nach:</translation>
    </message>
    <message>
        <source>With the other files</source>
        <translation>Zu den übrigen Dateien</translation>
    </message>
    <message>
        <source>C&amp;hoose…</source>
        <translation>&amp;Wählen…</translation>
    </message>
    <message>
        <source>Video folder te&amp;mplate:</source>
        <translation>Ordnervorlage für Vi&amp;deos:</translation>
    </message>
    <message>
        <source>The same as the other files&apos;</source>
        <translation>Dieselbe wie für die übrigen Dateien</translation>
    </message>
    <message>
        <source>A folder template is used instead of the levels above: date codes and {job}, {camera}, {kind}, {ext}. Videos (MOV, MP4 …) go to their own folder only when one is chosen.</source>
        <translation>Eine Ordnervorlage ersetzt die Ebenen oben: Datumscodes und {job}, {camera}, {kind}, {ext}. Videos (MOV, MP4 …) kommen nur dann in einen eigenen Ordner, wenn einer gewählt ist.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>QtOpenPanel</name>
    <message>
        <source>Choose</source>
        <translation>Auswählen</translation>
    </message>
</context>
<context>
    <name>ReportWindow</name>
    <message>
        <source>Orvane Report</source>
        <translation>Orvane-Bericht</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Übersicht</translation>
    </message>
    <message>
        <source>Source:</source>
        <translation>Quelle:</translation>
    </message>
    <message>
        <source>Destination:</source>
        <translation>Ziel:</translation>
    </message>
    <message>
        <source>Copied:</source>
        <translation>Kopiert:</translation>
    </message>
    <message>
        <source>Skipped:</source>
        <translation>Übersprungen:</translation>
    </message>
    <message>
        <source>Errors:</source>
        <translation>Fehler:</translation>
    </message>
    <message>
        <source>Open File Copying Rules…</source>
        <translation>Kopierregeln öffnen …</translation>
    </message>
    <message>
        <source>Hide folder paths</source>
        <translation>Ordnerpfade ausblenden</translation>
    </message>
    <message>
        <source>Copied (0)</source>
        <translation>Kopiert (0)</translation>
    </message>
    <message>
        <source>Filter by path or text</source>
        <translation>Nach Pfad oder Text filtern</translation>
    </message>
    <message>
        <source>Skipped (0)</source>
        <translation>Übersprungen (0)</translation>
    </message>
    <message>
        <source>Errors (0)</source>
        <translation>Fehler (0)</translation>
    </message>
    <message>
        <source>Print…</source>
        <translation>Drucken …</translation>
    </message>
    <message>
        <source>Open Destination</source>
        <translation>Ziel öffnen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Print Report</source>
        <translation>Bericht drucken</translation>
    </message>
    <message>
        <source>Imported Before (0)</source>
        <translation>Bereits importiert (0)</translation>
    </message>
</context>
<context>
    <name>orvane::BackupList</name>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Add…</source>
        <translation>Hinzufügen…</translation>
    </message>
    <message>
        <source>Each checked folder gets the same folders and file names as the destination. A folder that isn&apos;t there when a run starts (a drive not plugged in) is named before anything is copied.</source>
        <translation>Jeder angehakte Ordner erhält dieselben Ordner und Dateinamen wie das Ziel. Ein Ordner, der beim Start eines Laufs fehlt (ein nicht angeschlossenes Laufwerk), wird genannt, bevor etwas kopiert wird.</translation>
    </message>
    <message>
        <source>Also copy to:</source>
        <translation>Auch kopieren nach:</translation>
    </message>
    <message>
        <source>Choose a Backup Folder</source>
        <translation>Sicherungsordner wählen</translation>
    </message>
</context>
<context>
    <name>orvane::CardOfferBar</name>
    <message>
        <source>Use as source</source>
        <translation>Als Quelle verwenden</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>orvane::DBusNotifier</name>
    <message>
        <source>Show Report</source>
        <translation>Bericht zeigen</translation>
    </message>
</context>
<context>
    <name>orvane::LifecycleMenus</name>
    <message>
        <source>&amp;About Orvane</source>
        <translation>&amp;Über Orvane</translation>
    </message>
    <message>
        <source>&amp;Tracking Mode</source>
        <translation>&amp;Protokollmodus</translation>
    </message>
    <message>
        <source>Copies photos and other files into folders organized by date.</source>
        <translation>Kopiert Fotos und andere Dateien in nach Datum geordnete Ordner.</translation>
    </message>
    <message>
        <source>About Orvane</source>
        <translation>Über Orvane</translation>
    </message>
</context>
<context>
    <name>orvane::MainWindow</name>
    <message>
        <source>&amp;Orvane</source>
        <translation>&amp;Orvane</translation>
    </message>
    <message>
        <source>&amp;Quit Orvane</source>
        <translation>Orvane &amp;beenden</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Choose Copy &amp;From…</source>
        <translation>&amp;Quelle wählen …</translation>
    </message>
    <message>
        <source>Choose Organize &amp;Into…</source>
        <translation>&amp;Ziel wählen …</translation>
    </message>
    <message>
        <source>&amp;Organize</source>
        <translation>&amp;Ordnen</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Job</source>
        <translation>Auftrag</translation>
    </message>
    <message>
        <source>The folder or name template uses {job}. Job code for this run:</source>
        <translation>Die Ordner- oder Namensvorlage verwendet {job}. Auftragskürzel für diesen Lauf:</translation>
    </message>
</context>
<context>
    <name>orvane::PatternTableModel</name>
    <message>
        <source>Pattern</source>
        <translation>Muster</translation>
    </message>
</context>
<context>
    <name>orvane::PlanTreeModel</name>
    <message>
        <source>Metadata</source>
        <translation>Metadaten</translation>
    </message>
    <message>
        <source>Paired</source>
        <translation>Gepaart</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>%1, check date</source>
        <translation>%1, Datum prüfen</translation>
    </message>
    <message>
        <source>1 file</source>
        <translation>1 Datei</translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation>%1 Dateien</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Dated By</source>
        <translation>Datiert nach</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Name taken by another file</source>
        <translation>Name von einer anderen Datei belegt</translation>
    </message>
    <message>
        <source>Name taken by %1 (%2)</source>
        <translation>Name belegt von %1 (%2)</translation>
    </message>
    <message>
        <source>%1 · new folder</source>
        <translation>%1 · neuer Ordner</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
    <message>
        <source>Can&apos;t Be Copied</source>
        <translation>Nicht kopierbar</translation>
    </message>
    <message>
        <source>Skipped (%1)</source>
        <translation>Übersprungen (%1)</translation>
    </message>
    <message>
        <source>EXIF</source>
        <translation>EXIF</translation>
    </message>
    <message>
        <source>Imported Before</source>
        <translation>Bereits importiert</translation>
    </message>
</context>
<context>
    <name>orvane::PrefsWindow</name>
    <message>
        <source>Pr&amp;eferences…</source>
        <translation>&amp;Einstellungen …</translation>
    </message>
    <message>
        <source>Ctrl+,</source>
        <translation>Ctrl+,</translation>
    </message>
    <message>
        <source>Backups</source>
        <translation>Sicherungen</translation>
    </message>
</context>
<context>
    <name>orvane::PreviewCommands</name>
    <message>
        <source>Preview…</source>
        <translation>Vorschau …</translation>
    </message>
    <message>
        <source>See where every file would go before copying</source>
        <translation>Vor dem Kopieren sehen, wohin jede Datei käme</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Abort Preview</source>
        <translation>Vorschau abbrechen</translation>
    </message>
</context>
<context>
    <name>orvane::PreviewWindow</name>
    <message>
        <source>1 file</source>
        <translation>1 Datei</translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation>%1 Dateien</translation>
    </message>
    <message>
        <source>1 new folder</source>
        <translation>1 neuer Ordner</translation>
    </message>
    <message>
        <source>%1 new folders</source>
        <translation>%1 neue Ordner</translation>
    </message>
    <message>
        <source>1 name conflict</source>
        <translation>1 Namenskonflikt</translation>
    </message>
    <message>
        <source>%1 name conflicts</source>
        <translation>%1 Namenskonflikte</translation>
    </message>
    <message>
        <source>%1 skipped</source>
        <translation>%1 übersprungen</translation>
    </message>
    <message>
        <source>%1 can&apos;t be copied</source>
        <translation>%1 nicht kopierbar</translation>
    </message>
    <message>
        <source>%1 free</source>
        <translation>%1 frei</translation>
    </message>
    <message>
        <source>free space unknown</source>
        <translation>freier Platz unbekannt</translation>
    </message>
    <message>
        <source>Orvane Preview</source>
        <translation>Orvane-Vorschau</translation>
    </message>
    <message>
        <source>Organize</source>
        <translation>Ordnen</translation>
    </message>
    <message>
        <source>Into %1</source>
        <translation>Nach %1</translation>
    </message>
    <message>
        <source>not enough free space</source>
        <translation>nicht genug freier Platz</translation>
    </message>
    <message>
        <source>Not enough free space at the destination</source>
        <translation>Nicht genug freier Platz im Ziel</translation>
    </message>
    <message>
        <source>Camera clock:</source>
        <translation>Kamerauhr:</translation>
    </message>
    <message>
        <source>Give [+|-]H:MM, hours below 24</source>
        <translation>[+|-]H:MM angeben, Stunden unter 24</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alle auswählen</translation>
    </message>
    <message>
        <source>Select None</source>
        <translation>Keine auswählen</translation>
    </message>
    <message>
        <source>New Only</source>
        <translation>Nur neue</translation>
    </message>
    <message>
        <source>Organize 1 File</source>
        <translation>1 Datei ordnen</translation>
    </message>
    <message>
        <source>Organize %1 Files</source>
        <translation>%1 Dateien ordnen</translation>
    </message>
    <message>
        <source>1 shot</source>
        <translation>1 Aufnahme</translation>
    </message>
    <message>
        <source>%1 shots</source>
        <translation>%1 Aufnahmen</translation>
    </message>
    <message>
        <source>%1 imported before</source>
        <translation>%1 bereits importiert</translation>
    </message>
    <message>
        <source>Into %1 and %2</source>
        <translation>Nach %1 und %2</translation>
    </message>
    <message>
        <source>also into %1 (%2)</source>
        <translation>auch nach %1 (%2)</translation>
    </message>
    <message>
        <source>Also into %1</source>
        <translation>Auch nach %1</translation>
    </message>
</context>
<context>
    <name>orvane::ReportTableModel</name>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Dated by</source>
        <translation>Datiert nach</translation>
    </message>
</context>
<context>
    <name>orvane::ReportWindow</name>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>Grund</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Show in &amp;Folder</source>
        <translation>Im &amp;Ordner zeigen</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Copy Path</source>
        <translation>Pfad &amp;kopieren</translation>
    </message>
    <message>
        <source>When and Where</source>
        <translation>Wann und wohin</translation>
    </message>
</context>
<context>
    <name>orvane::UndoMenu</name>
    <message>
        <source>Undo Last Organize…</source>
        <translation>Letztes Ordnen rückgängig machen …</translation>
    </message>
</context>
<context>
    <name>orvane::UpdateMenus</name>
    <message>
        <source>Checking for updates…</source>
        <translation>Suche nach Aktualisierungen …</translation>
    </message>
    <message>
        <source>Check for &amp;Updates…</source>
        <translation>Nach &amp;Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>&amp;Donate…</source>
        <translation>&amp;Spenden …</translation>
    </message>
    <message>
        <source>Orvane &amp;Help</source>
        <translation>Orvane-&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation>&amp;Website besuchen</translation>
    </message>
</context>
</TS>
