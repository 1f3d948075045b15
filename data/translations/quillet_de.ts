<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>Accessibility</name>
    <message>
        <source>Opens the list of entries</source>
        <translation>Öffnet die Liste der Einträge</translation>
    </message>
    <message>
        <source>Vertical scroll bar</source>
        <translation>Senkrechte Bildlaufleiste</translation>
    </message>
    <message>
        <source>Horizontal scroll bar</source>
        <translation>Waagerechte Bildlaufleiste</translation>
    </message>
    <message>
        <source>Scrolls %1</source>
        <translation>Blättert in %1</translation>
    </message>
    <message>
        <source>Link to %1</source>
        <translation>Verweis auf %1</translation>
    </message>
</context>
<context>
    <name>AutoBackup</name>
    <message>
        <source>The disk of %1 is nearly full. Quillet! keeps room for saving your records there: it takes no more backups of %2 until there is more room.

Free some space on that disk.</source>
        <translation>Der Datenträger von %1 ist fast voll. Quillet! hält dort Platz zum Speichern Ihrer Datensätze frei: Es legt keine Sicherungen von %2 mehr an, bis wieder mehr Platz ist.

Geben Sie auf diesem Datenträger Platz frei.</translation>
    </message>
    <message>
        <source>The disk of %1 is nearly full. Quillet! keeps room for saving your records there: it removed the oldest backups of %2 to make room.

Free some space on that disk.</source>
        <translation>Der Datenträger von %1 ist fast voll. Quillet! hält dort Platz zum Speichern Ihrer Datensätze frei: Es hat die ältesten Sicherungen von %2 entfernt, um Platz zu schaffen.

Geben Sie auf diesem Datenträger Platz frei.</translation>
    </message>
    <message>
        <source>%1

Quillet! takes no backups of %2 until then.</source>
        <translation>%1

Bis dahin legt Quillet! keine Sicherungen von %2 an.</translation>
    </message>
</context>
<context>
    <name>Desktop</name>
    <message>
        <source>The web page could not be opened:

%1

Set up a web browser as your desktop&apos;s default for web pages, or copy the address into your web browser.</source>
        <translation>Die Webseite konnte nicht geöffnet werden:

%1

Richten Sie einen Webbrowser als Standard Ihrer Arbeitsumgebung für Webseiten ein, oder kopieren Sie die Adresse in Ihren Webbrowser.</translation>
    </message>
    <message>
        <source>The folder could not be opened because it does not exist:

%1</source>
        <translation>Der Ordner konnte nicht geöffnet werden, weil es ihn nicht gibt:

%1</translation>
    </message>
    <message>
        <source>The file could not be opened because it does not exist:

%1</source>
        <translation>Die Datei konnte nicht geöffnet werden, weil es sie nicht gibt:

%1</translation>
    </message>
    <message>
        <source>The folder could not be opened:

%1

Set up a file manager as your desktop&apos;s default for folders, or open the folder from your file manager.</source>
        <translation>Der Ordner konnte nicht geöffnet werden:

%1

Richten Sie eine Dateiverwaltung als Standard Ihrer Arbeitsumgebung für Ordner ein, oder öffnen Sie den Ordner aus Ihrer Dateiverwaltung.</translation>
    </message>
    <message>
        <source>The file could not be opened:

%1

Set up a default application for this kind of file in your desktop&apos;s settings, or open the file from that application.</source>
        <translation>Die Datei konnte nicht geöffnet werden:

%1

Legen Sie in den Einstellungen Ihrer Arbeitsumgebung ein Standardprogramm für diese Art von Datei fest, oder öffnen Sie die Datei aus diesem Programm.</translation>
    </message>
    <message>
        <source>The theme file could not be opened because it does not exist:

%1

Choose another theme, or use Themes &gt; Reset All to put back the themes that came with Quillet!.</source>
        <translation>Die Design-Datei konnte nicht geöffnet werden, weil es sie nicht gibt:

%1

Wählen Sie ein anderes Design, oder holen Sie mit Designs &gt; Alle zurücksetzen die Designs zurück, die mit Quillet! kamen.</translation>
    </message>
    <message>
        <source>The theme file could not be opened in a text editor:

%1

Set up a default application for plain text files in your desktop&apos;s settings (or set the VISUAL or EDITOR variable), then try again; or open the file from your text editor.</source>
        <translation>Die Design-Datei konnte nicht in einem Texteditor geöffnet werden:

%1

Legen Sie in den Einstellungen Ihrer Arbeitsumgebung ein Standardprogramm für reine Textdateien fest (oder setzen Sie die Variable VISUAL oder EDITOR) und versuchen Sie es erneut; oder öffnen Sie die Datei aus Ihrem Texteditor.</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>The password holds a character that Palm Desktop passwords cannot hold (%1). Check the keyboard layout and type it again.</source>
        <translation>Das Kennwort enthält ein Zeichen, das Palm-Desktop-Kennwörter nicht enthalten können (%1). Prüfen Sie die Tastaturbelegung und geben Sie es erneut ein.</translation>
    </message>
</context>
<context>
    <name>FirstStart</name>
    <message>
        <source>Welcome to Quillet!

There was no Palm Desktop on this account yet, so a Palm Desktop user &quot;%1&quot; has been set up for you.</source>
        <translation>Willkommen bei Quillet!

Auf diesem Konto gab es noch keinen Palm Desktop, daher wurde für Sie der Palm-Desktop-Benutzer „%1“ eingerichtet.</translation>
    </message>
    <message>
        <source>Its records are kept in
%1</source>
        <translation>Seine Datensätze liegen in
%1</translation>
    </message>
    <message>
        <source>There is no HotSync on Linux: to see your handheld&apos;s records here, copy quillet.dat from your Palm Desktop folder on another computer into that folder. Quillet! notices when the file changes.</source>
        <translation>Unter Linux gibt es kein HotSync: Um die Datensätze Ihres Handhelds hier zu sehen, kopieren Sie quillet.dat aus Ihrem Palm-Desktop-Ordner auf einem anderen Computer in diesen Ordner. Quillet! bemerkt, wenn sich die Datei ändert.</translation>
    </message>
</context>
<context>
    <name>JpegFile</name>
    <message>
        <source>JPEG Error</source>
        <translation>JPEG-Fehler</translation>
    </message>
</context>
<context>
    <name>LinkPolicy</name>
    <message>
        <source>This link leads outside Quillet!&apos;s own pages:

%1

Do you want to open it?</source>
        <translation>Dieser Verweis führt aus den Seiten von Quillet! hinaus:

%1

Möchten Sie ihn öffnen?</translation>
    </message>
</context>
<context>
    <name>Mail</name>
    <message>
        <source>There is no report of %1 to send yet.

Show the topic first, then send it again.</source>
        <translation>Es gibt noch keinen Bericht zu %1, der gesendet werden könnte.

Zeigen Sie zuerst das Thema an, und senden Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The report of %1 is in a new message in your mail program.

Add the recipients there and send it.</source>
        <translation>Der Bericht zu %1 steht in einer neuen Nachricht in Ihrem E-Mail-Programm.

Fügen Sie dort die Empfänger hinzu und senden Sie sie ab.</translation>
    </message>
    <message>
        <source>No mail program is set up on this computer, so the message with the report of %1 was saved as a file:

%2

Open that file with your mail program to send it, or set up a mail program (the desktop&apos;s default for e-mail) and send again.</source>
        <translation>Auf diesem Computer ist kein E-Mail-Programm eingerichtet, daher wurde die Nachricht mit dem Bericht zu %1 als Datei gespeichert:

%2

Öffnen Sie diese Datei mit Ihrem E-Mail-Programm, um sie zu senden, oder richten Sie ein E-Mail-Programm ein (den Standard Ihrer Arbeitsumgebung für E-Mail) und senden Sie erneut.</translation>
    </message>
    <message>
        <source>Its report file is missing or cannot be read. Show the topic again to rebuild it, then send it.</source>
        <translation>Seine Berichtsdatei fehlt oder kann nicht gelesen werden. Zeigen Sie das Thema erneut an, damit sie neu erstellt wird, und senden Sie es dann.</translation>
    </message>
    <message>
        <source>The disk is full. Make room, then send it again.</source>
        <translation>Der Datenträger ist voll. Schaffen Sie Platz und senden Sie es dann erneut.</translation>
    </message>
    <message>
        <source>There was not enough memory. Close other programs, then send it again.</source>
        <translation>Es war nicht genug Speicher frei. Schließen Sie andere Programme und senden Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The mail program and the outbox folder could not take it. Check that a mail program is set up and that your data folder can be written to, then send it again.</source>
        <translation>Weder das E-Mail-Programm noch der Postausgangsordner konnten es aufnehmen. Prüfen Sie, ob ein E-Mail-Programm eingerichtet ist und Ihr Datenordner beschreibbar ist, und senden Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The report of %1 was not sent.

%2</source>
        <translation>Der Bericht zu %1 wurde nicht gesendet.

%2</translation>
    </message>
    <message>
        <source>this topic</source>
        <translation>dieses Thema</translation>
    </message>
</context>
<context>
    <name>Menus</name>
    <message>
        <source>New &amp;Note</source>
        <translation>Neue &amp;Notiz</translation>
    </message>
    <message>
        <source>New &amp;Image</source>
        <translation>Neues &amp;Bild</translation>
    </message>
    <message>
        <source>New &amp;Reference</source>
        <translation>Neue &amp;Literaturangabe</translation>
    </message>
    <message>
        <source>&amp;Book</source>
        <translation>&amp;Buch</translation>
    </message>
    <message>
        <source>&amp;Internet</source>
        <translation>&amp;Internet</translation>
    </message>
    <message>
        <source>&amp;Journal Article</source>
        <translation>&amp;Fachzeitschriftenartikel</translation>
    </message>
    <message>
        <source>&amp;Magazine Article</source>
        <translation>&amp;Zeitschriftenartikel</translation>
    </message>
    <message>
        <source>&amp;Newspaper Article</source>
        <translation>Zeitu&amp;ngsartikel</translation>
    </message>
    <message>
        <source>&amp;Report</source>
        <translation>Be&amp;richt</translation>
    </message>
    <message>
        <source>&amp;Edit Using Default Editor</source>
        <translation>Mit Standard&amp;editor bearbeiten</translation>
    </message>
    <message>
        <source>Edit Using &amp;Text Editor</source>
        <translation>Mit &amp;Texteditor bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Reset All</source>
        <translation>Alle &amp;zurücksetzen</translation>
    </message>
    <message>
        <source>&amp;Open Folder</source>
        <translation>&amp;Ordner öffnen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>&amp;Export as PDF...</source>
        <translation>Als PDF &amp;exportieren...</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>&amp;Drucken...</translation>
    </message>
    <message>
        <source>Print Preview...</source>
        <translation>Druckvorschau...</translation>
    </message>
    <message>
        <source>&amp;Page Setup...</source>
        <translation>Seite ein&amp;richten...</translation>
    </message>
    <message>
        <source>&amp;Send</source>
        <translation>&amp;Senden</translation>
    </message>
    <message>
        <source>Restore From &amp;Backup...</source>
        <translation>Aus Sicherung &amp;wiederherstellen...</translation>
    </message>
    <message>
        <source>&amp;Import References...</source>
        <translation>Literaturangaben &amp;importieren...</translation>
    </message>
    <message>
        <source>Export &amp;References...</source>
        <translation>Literaturangaben e&amp;xportieren...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>E&amp;xpand All</source>
        <translation>Alle &amp;aufklappen</translation>
    </message>
    <message>
        <source>C&amp;ollapse All</source>
        <translation>Alle &amp;zuklappen</translation>
    </message>
    <message>
        <source>&amp;Delete All</source>
        <translation>Alle &amp;löschen</translation>
    </message>
    <message>
        <source>&amp;Properties...</source>
        <translation>&amp;Eigenschaften...</translation>
    </message>
    <message>
        <source>&amp;Themes</source>
        <translation>De&amp;signs</translation>
    </message>
    <message>
        <source>&amp;User</source>
        <translation>Ben&amp;utzer</translation>
    </message>
    <message>
        <source>&amp;Change Default</source>
        <translation>&amp;Standard ändern</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&lt; &amp;Back</source>
        <translation>&lt; &amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Forward &gt;</source>
        <translation>&amp;Vor &gt;</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>&amp;Aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Start Page</source>
        <translation>&amp;Startseite</translation>
    </message>
    <message>
        <source>&amp;Topic Center</source>
        <translation>&amp;Themenübersicht</translation>
    </message>
    <message>
        <source>&amp;Image Center</source>
        <translation>&amp;Bilderübersicht</translation>
    </message>
    <message>
        <source>Show &amp;Private Records</source>
        <translation>&amp;Private Datensätze anzeigen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
    <message>
        <source>C&amp;omments &amp;&amp; Feedback</source>
        <translation>&amp;Kommentare &amp;&amp; Rückmeldung</translation>
    </message>
    <message>
        <source>B&amp;rightfen On-line Support</source>
        <translation>B&amp;rightfen-Online-Support</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Neu</translation>
    </message>
    <message>
        <source>&amp;Save As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>&amp;Duplicate</source>
        <translation>&amp;Duplizieren</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
</context>
<context>
    <name>PageActions</name>
    <message>
        <source>The page could not be written to

%1

Check that the folder exists and that you may write there.</source>
        <translation>Die Seite konnte nicht geschrieben werden nach

%1

Prüfen Sie, ob der Ordner existiert und ob Sie dort schreiben dürfen.</translation>
    </message>
    <message>
        <source>The theme &quot;%1&quot; is no longer in the theme folder, so it cannot be used.

The list of themes has been brought up to date. To get the original themes back, click Themes | Reset All in the main menu.</source>
        <translation>Das Design „%1“ ist nicht mehr im Design-Ordner und kann daher nicht verwendet werden.

Die Liste der Designs wurde aktualisiert. Um die ursprünglichen Designs zurückzuholen, klicken Sie im Hauptmenü auf Designs | Alle zurücksetzen.</translation>
    </message>
</context>
<context>
    <name>Placement</name>
    <message>
        <source>%1 bytes.</source>
        <translation>%1 Bytes.</translation>
    </message>
</context>
<context>
    <name>PostProcess</name>
    <message>
        <source>The size of the report file could not be read.</source>
        <translation>Die Größe der Berichtsdatei konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>This file is currently empty and cannot be used.</source>
        <translation>Diese Datei ist zurzeit leer und kann nicht verwendet werden.</translation>
    </message>
    <message>
        <source>There is not enough memory to read the report file.</source>
        <translation>Es ist nicht genug Speicher frei, um die Berichtsdatei zu lesen.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Theme</source>
        <translation>Design</translation>
    </message>
</context>
<context>
    <name>QtForms</name>
    <message>
        <source>This Palm user has no Quillet! records on this computer yet.</source>
        <translation>Dieser Palm-Benutzer hat auf diesem Computer noch keine Quillet!-Datensätze.</translation>
    </message>
    <message>
        <source>Copy quillet.dat from the computer where you HotSync into the user&apos;s Quillet folder (&quot;palm-desktop user list&quot; shows it), or let your synchronisation tool write it there: Quillet! shows the records as soon as the file arrives.</source>
        <translation>Kopieren Sie quillet.dat von dem Computer, auf dem Sie HotSync ausführen, in den Quillet-Ordner des Benutzers („palm-desktop user list“ zeigt ihn an), oder lassen Sie Ihr Synchronisationswerkzeug sie dorthin schreiben: Quillet! zeigt die Datensätze, sobald die Datei da ist.</translation>
    </message>
    <message>
        <source>Until then you can start adding topics here.</source>
        <translation>Bis dahin können Sie hier schon Themen anlegen.</translation>
    </message>
    <message>
        <source>No records yet</source>
        <translation>Noch keine Datensätze</translation>
    </message>
    <message>
        <source>Show Private Records</source>
        <translation>Private Datensätze anzeigen</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Kennwort</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Kennwort:</translation>
    </message>
    <message>
        <source>The password holds a character that Palm Desktop passwords cannot hold.</source>
        <translation>Das Kennwort enthält ein Zeichen, das Palm-Desktop-Kennwörter nicht enthalten können.</translation>
    </message>
</context>
<context>
    <name>ReferenceTransfer</name>
    <message>
        <source>... and %1 more.</source>
        <translation>... und %1 weitere.</translation>
    </message>
    <message>
        <source>Select the topic the references should go into, then choose Import References again.</source>
        <translation>Wählen Sie das Thema, in das die Literaturangaben sollen, und wählen Sie dann erneut Literaturangaben importieren.</translation>
    </message>
    <message>
        <source>Import References</source>
        <translation>Literaturangaben importieren</translation>
    </message>
    <message>
        <source>References</source>
        <translation>Literaturangaben</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be imported: there is not enough memory.

Nothing was added.</source>
        <translation>„%1“ konnte nicht importiert werden: Es ist nicht genug Speicher frei.

Es wurde nichts hinzugefügt.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be read: %2.

Nothing was added.</source>
        <translation>„%1“ konnte nicht gelesen werden: %2.

Es wurde nichts hinzugefügt.</translation>
    </message>
    <message>
        <source>No entry of &quot;%1&quot; could be used. Nothing was added.</source>
        <translation>Kein Eintrag aus „%1“ war verwendbar. Es wurde nichts hinzugefügt.</translation>
    </message>
    <message>
        <source>The references could not be added to &quot;%1&quot;. Nothing was added.</source>
        <translation>Die Literaturangaben konnten „%1“ nicht hinzugefügt werden. Es wurde nichts hinzugefügt.</translation>
    </message>
    <message>
        <source>%1 reference from &quot;%2&quot; was added to &quot;%3&quot;.</source>
        <translation>%1 Literaturangabe aus „%2“ wurde „%3“ hinzugefügt.</translation>
    </message>
    <message>
        <source>%1 references from &quot;%2&quot; were added to &quot;%3&quot;.</source>
        <translation>%1 Literaturangaben aus „%2“ wurden „%3“ hinzugefügt.</translation>
    </message>
    <message>
        <source>Export only the references of &quot;%1&quot;?

Yes: this topic&apos;s references.
No: every reference.</source>
        <translation>Nur die Literaturangaben von „%1“ exportieren?

Ja: die Literaturangaben dieses Themas.
Nein: alle Literaturangaben.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; holds no references to export.</source>
        <translation>„%1“ enthält keine Literaturangaben zum Exportieren.</translation>
    </message>
    <message>
        <source>There are no references to export.</source>
        <translation>Es gibt keine Literaturangaben zum Exportieren.</translation>
    </message>
    <message>
        <source>Export References</source>
        <translation>Literaturangaben exportieren</translation>
    </message>
    <message>
        <source>Give the file a name ending in .bib (BibTeX) or .ris (RIS).</source>
        <translation>Geben Sie der Datei einen Namen, der auf .bib (BibTeX) oder .ris (RIS) endet.</translation>
    </message>
    <message>
        <source>%1.

Nothing was written.</source>
        <translation>%1.

Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>%1 reference was written to &quot;%2&quot;.</source>
        <translation>%1 Literaturangabe wurde nach „%2“ geschrieben.</translation>
    </message>
    <message>
        <source>%1 references were written to &quot;%2&quot;.</source>
        <translation>%1 Literaturangaben wurden nach „%2“ geschrieben.</translation>
    </message>
</context>
<context>
    <name>ReportBuilder</name>
    <message>
        <source>The report was saved as

%1

but no program could be found to show it. Open it from your file manager or web browser.</source>
        <translation>Der Bericht wurde gespeichert als

%1

aber es wurde kein Programm gefunden, das ihn anzeigt. Öffnen Sie ihn aus Ihrer Dateiverwaltung oder Ihrem Webbrowser.</translation>
    </message>
</context>
<context>
    <name>RestoreBackup</name>
    <message>
        <source>Restore From Backup</source>
        <translation>Aus Sicherung wiederherstellen</translation>
    </message>
    <message>
        <source>Backups of the records of %1, newest first. The one you restore replaces the current records, which are backed up first.</source>
        <translation>Sicherungen der Datensätze von %1, die neueste zuerst. Die Sicherung, die Sie wiederherstellen, ersetzt die aktuellen Datensätze; diese werden vorher gesichert.</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 Bytes</translation>
    </message>
    <message>
        <source>The backups cannot be read: %1.</source>
        <translation>Die Sicherungen können nicht gelesen werden: %1.</translation>
    </message>
    <message>
        <source>Damaged</source>
        <translation>Beschädigt</translation>
    </message>
    <message>
        <source>No backups have been taken of these records yet.</source>
        <translation>Von diesen Datensätzen wurden noch keine Sicherungen angelegt.</translation>
    </message>
    <message>
        <source>Choose the backup to restore.</source>
        <translation>Wählen Sie die Sicherung, die wiederhergestellt werden soll.</translation>
    </message>
    <message>
        <source>This backup is damaged and cannot be restored.</source>
        <translation>Diese Sicherung ist beschädigt und kann nicht wiederhergestellt werden.</translation>
    </message>
    <message>
        <source>Restore puts these records back in place of the current ones.</source>
        <translation>Wiederherstellen setzt diese Datensätze an die Stelle der aktuellen.</translation>
    </message>
    <message>
        <source>Replace the current records with the backup taken %1?

The current records are backed up first.</source>
        <translation>Die aktuellen Datensätze durch die Sicherung vom %1 ersetzen?

Die aktuellen Datensätze werden vorher gesichert.</translation>
    </message>
    <message>
        <source>The backup could not be restored: %1.

The current records are unchanged.</source>
        <translation>Die Sicherung konnte nicht wiederhergestellt werden: %1.

Die aktuellen Datensätze sind unverändert.</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>Failed to Open Palm Desktop, please stop the install, set-up the Palm Desktop and try again.</source>
        <translation>Palm Desktop konnte nicht geöffnet werden. Bitte brechen Sie die Installation ab, richten Sie Palm Desktop ein und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Failed To Open</source>
        <translation>Öffnen fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>Unable to open the database.  File &gt; Restore From Backup... brings back an earlier copy; or copy quillet.dat again from the computer where you HotSync, and try again.</source>
        <translation>Die Datenbank kann nicht geöffnet werden.  Datei &gt; Aus Sicherung wiederherstellen... holt eine frühere Kopie zurück; oder kopieren Sie quillet.dat erneut von dem Computer, auf dem Sie HotSync ausführen, und versuchen Sie es noch einmal.</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>My Topics</source>
        <translation>Meine Themen</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Vor</translation>
    </message>
    <message>
        <source>Incorrect password.</source>
        <translation>Falsches Kennwort.</translation>
    </message>
    <message>
        <source> Unfiled...</source>
        <translation> Nicht abgelegt...</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Delete the selected Item(s)?

This operation cannot be undone.</source>
        <translation>Die ausgewählten Einträge löschen?

Dies kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>Archive deleted item(s) at next HotSync operation</source>
        <translation>Gelöschte Einträge beim nächsten HotSync archivieren</translation>
    </message>
    <message>
        <source>Do you want to restore the original themes and lose any changes to your current themes?</source>
        <translation>Möchten Sie die ursprünglichen Designs wiederherstellen und alle Änderungen an Ihren aktuellen Designs verwerfen?</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Default User</source>
        <translation>Standardbenutzer</translation>
    </message>
    <message>
        <source>Search Results...</source>
        <translation>Suchergebnisse...</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Kategorien</translation>
    </message>
    <message>
        <source>Error saving file.</source>
        <translation>Fehler beim Speichern der Datei.</translation>
    </message>
    <message>
        <source>: \ / * ? &quot; &lt; &gt; | are not allowed in a report&apos;s file name, so that it can also be
opened on the handheld user&apos;s other computers.</source>
        <translation>: \ / * ? &quot; &lt; &gt; | sind im Dateinamen eines Berichts nicht erlaubt, damit er auch
auf den anderen Computern des Handheld-Benutzers geöffnet werden kann.</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
    <message>
        <source>0 Records Found</source>
        <translation>0 Datensätze gefunden</translation>
    </message>
    <message>
        <source>Do you want to delete all of your topics and their contents?

This action cannot be undone.</source>
        <translation>Möchten Sie alle Ihre Themen und deren Inhalte löschen?

Dies kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>A file with the same name already exists, overwrite?</source>
        <translation>Eine Datei mit demselben Namen existiert bereits. Überschreiben?</translation>
    </message>
    <message>
        <source>No Memory.</source>
        <translation>Kein Speicher frei.</translation>
    </message>
    <message>
        <source>Can&apos;t draw scans.</source>
        <translation>Scans können nicht gezeichnet werden.</translation>
    </message>
    <message>
        <source>Can&apos;t draw map.</source>
        <translation>Karte kann nicht gezeichnet werden.</translation>
    </message>
    <message>
        <source>Can&apos;t open file.</source>
        <translation>Datei kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Bad Device Independent Bitmap (DIB) file.</source>
        <translation>Fehlerhafte geräteunabhängige Bitmap-Datei (DIB).</translation>
    </message>
    <message>
        <source>Failed to create palette.  Supported colors are 1, 4, 8, and 24 bits.

Please save the current image into one of these formats and try again.</source>
        <translation>Die Farbpalette konnte nicht erstellt werden.  Unterstützt werden Farbtiefen von 1, 4, 8 und 24 Bit.

Bitte speichern Sie das aktuelle Bild in einem dieser Formate und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Can&apos;t load RLE.</source>
        <translation>RLE kann nicht geladen werden.</translation>
    </message>
    <message>
        <source>Can&apos;t create BMP.</source>
        <translation>BMP kann nicht erstellt werden.</translation>
    </message>
    <message>
        <source>My Pictures</source>
        <translation>Meine Bilder</translation>
    </message>
    <message>
        <source>No file was saved.</source>
        <translation>Es wurde keine Datei gespeichert.</translation>
    </message>
    <message>
        <source>Logging</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>This project already exists or is an invalid name e.g. Unfiled.</source>
        <translation>Diese Kategorie existiert bereits oder der Name ist ungültig, z. B. „Nicht abgelegt“.</translation>
    </message>
    <message>
        <source>Unfiled</source>
        <translation>Nicht abgelegt</translation>
    </message>
    <message>
        <source>The %s contains more than %d characters.
It will be truncated before saving.</source>
        <translation>Das Feld „%s“ enthält mehr als %d Zeichen.
Es wird vor dem Speichern gekürzt.</translation>
    </message>
    <message>
        <source>All Categories</source>
        <translation>Alle Kategorien</translation>
    </message>
    <message>
        <source>The file may already be open in another application or

the path is invalid.</source>
        <translation>Die Datei ist möglicherweise bereits in einem anderen Programm geöffnet oder

der Pfad ist ungültig.</translation>
    </message>
    <message>
        <source>The current image + thumbnail is larger than the 60000 byte limit and can not be saved.

Please try again, this time decreasing the &quot;Quality&quot; setting.

Current image + thumbnail size: </source>
        <translation>Das aktuelle Bild samt Miniatur ist größer als die Grenze von 60000 Byte und kann nicht gespeichert werden.

Bitte versuchen Sie es erneut und verringern Sie dabei die Einstellung „Qualität“.

Aktuelle Größe von Bild und Miniatur: </translation>
    </message>
    <message>
        <source>Unable to load image file.</source>
        <translation>Die Bilddatei kann nicht geladen werden.</translation>
    </message>
    <message>
        <source>Unable to open or create the log file.

Check the log folder on the Logging page of Edit &gt; Properties... (by default ~/.local/state/quillet/): it must exist and be writable.</source>
        <translation>Die Protokolldatei kann nicht geöffnet oder angelegt werden.

Prüfen Sie den Protokollordner auf der Seite „Protokoll“ unter Bearbeiten &gt; Eigenschaften... (vorgegeben ist ~/.local/state/quillet/): Er muss existieren und beschreibbar sein.</translation>
    </message>
    <message>
        <source>Writing report failed.
The file may be locked by another application.
Close all applications and try again.</source>
        <translation>Der Bericht konnte nicht geschrieben werden.
Die Datei ist möglicherweise von einem anderen Programm gesperrt.
Schließen Sie alle Programme und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>There was an error saving the current data to the database.

Check to make sure the user hasn&apos;t been deleted.</source>
        <translation>Beim Speichern der aktuellen Daten in der Datenbank ist ein Fehler aufgetreten.

Prüfen Sie, ob der Benutzer nicht gelöscht wurde.</translation>
    </message>
    <message>
        <source>New Topic</source>
        <translation>Neues Thema</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Click Update to save or Cancel to discard your changes.</source>
        <translation>Klicken Sie auf „Übernehmen“, um Ihre Änderungen zu speichern, oder auf „Abbrechen“, um sie zu verwerfen.</translation>
    </message>
    <message>
        <source>The result is not in the current set of topics. 

Please change your filter settings and try again.</source>
        <translation>Das Ergebnis gehört nicht zu den angezeigten Themen. 

Bitte ändern Sie Ihre Filtereinstellungen und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Unable to open any themes.  Please restore the original themes by clicking on Themes | Reset All in the main menu.</source>
        <translation>Es kann kein Design geöffnet werden.  Bitte stellen Sie die ursprünglichen Designs wieder her, indem Sie im Hauptmenü auf Designs | Alle zurücksetzen klicken.</translation>
    </message>
    <message>
        <source>Copy of </source>
        <translation>Kopie von </translation>
    </message>
    <message>
        <source>Show Private Records</source>
        <translation>Private Datensätze anzeigen</translation>
    </message>
    <message>
        <source>Hide Private Records</source>
        <translation>Private Datensätze ausblenden</translation>
    </message>
    <message>
        <source>The database file could not be read.  It has been kept as

%s

and a new, empty database has been started.  File &gt; Restore From Backup... brings back an earlier copy of your records.</source>
        <translation>Die Datenbankdatei konnte nicht gelesen werden.  Sie wurde aufbewahrt als

%s

und eine neue, leere Datenbank wurde begonnen.  Datei &gt; Aus Sicherung wiederherstellen... holt eine frühere Kopie Ihrer Datensätze zurück.</translation>
    </message>
    <message>
        <source>The %s contains the character %s, which the handheld cannot store.
Please remove or replace it and try again.</source>
        <translation>Das Feld „%s“ enthält das Zeichen %s, das der Handheld nicht speichern kann.
Bitte entfernen oder ersetzen Sie es und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Other people who use this computer can open these folders and read the records in them:

%s
Only you should be able to open them (for example with the command chmod 700 and the folder&apos;s name).</source>
        <translation>Andere Benutzer dieses Computers können diese Ordner öffnen und die Datensätze darin lesen:

%s
Nur Sie sollten sie öffnen können (zum Beispiel mit dem Befehl chmod 700 und dem Namen des Ordners).</translation>
    </message>
    <message>
        <source>There was an error saving the current data to the database.

%s</source>
        <translation>Beim Speichern der aktuellen Daten in der Datenbank ist ein Fehler aufgetreten.

%s</translation>
    </message>
    <message>
        <source>The records of %s could not be opened.

%s</source>
        <translation>Die Datensätze von %s konnten nicht geöffnet werden.

%s</translation>
    </message>
    <message>
        <source>Quillet! could not read its settings, nor Palm Desktop&apos;s list of users kept with them.

%s

Your records have not been touched. Make room on the disk (or make the settings file readable), then start Quillet! again.</source>
        <translation>Quillet! konnte seine Einstellungen nicht lesen, ebenso wenig die dort geführte Benutzerliste von Palm Desktop.

%s

Ihre Datensätze wurden nicht angetastet. Schaffen Sie Platz auf dem Datenträger (oder machen Sie die Einstellungsdatei lesbar) und starten Sie Quillet! dann erneut.</translation>
    </message>
    <message>
        <source>A HotSync was made for a Palm Desktop user (number %u) whom Palm Desktop does not list.

The records shown stay those of the user already open.</source>
        <translation>Ein HotSync wurde für einen Palm-Desktop-Benutzer (Nummer %u) ausgeführt, den Palm Desktop nicht aufführt.

Es bleiben die Datensätze des bereits geöffneten Benutzers zu sehen.</translation>
    </message>
    <message>
        <source>Preview: %lu bytes, within the %lu-byte limit.</source>
        <translation>Vorschau: %lu Bytes, innerhalb der Grenze von %lu Byte.</translation>
    </message>
    <message>
        <source>Preview: %lu bytes, over the %lu-byte limit: lower the Quality to store it.</source>
        <translation>Vorschau: %lu Bytes, über der Grenze von %lu Byte: Verringern Sie die Qualität, um es zu speichern.</translation>
    </message>
</context>
<context>
    <name>ThemeFile</name>
    <message>
        <source>The size of the theme file could not be read.</source>
        <translation>Die Größe der Design-Datei konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Maximum theme size exceeded.  Please reduce the size of your theme and try again.</source>
        <translation>Die höchste Designgröße ist überschritten.  Bitte verkleinern Sie Ihr Design und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>There is not enough memory to read the theme.</source>
        <translation>Es ist nicht genug Speicher frei, um das Design zu lesen.</translation>
    </message>
    <message>
        <source>This theme is currently empty and cannot be used.</source>
        <translation>Dieses Design ist zurzeit leer und kann nicht verwendet werden.</translation>
    </message>
</context>
<context>
    <name>TreeEdits</name>
    <message>
        <source>Delete Item...</source>
        <translation>Eintrag löschen...</translation>
    </message>
</context>
<context>
    <name>UnsavedEdits</name>
    <message>
        <source>Save changes to the new record?</source>
        <translation>Änderungen am neuen Datensatz speichern?</translation>
    </message>
    <message>
        <source>Save changes to &quot;%1&quot;?</source>
        <translation>Änderungen an „%1“ speichern?</translation>
    </message>
</context>
<context>
    <name>UserData</name>
    <message>
        <source>Unable to load the Palm Desktop user library (libUserData.so).

It is installed with Quillet! beside its other libraries; installing the quillet package again brings it back.</source>
        <translation>Die Benutzerbibliothek von Palm Desktop (libUserData.so) kann nicht geladen werden.

Sie wird mit Quillet! neben seinen anderen Bibliotheken installiert; eine erneute Installation des Pakets quillet bringt sie zurück.</translation>
    </message>
</context>
<context>
    <name>UserSwitch</name>
    <message>
        <source>Palm Desktop does not know the user &quot;%1&quot; any more, so the password for the private records cannot be checked. They stay hidden.</source>
        <translation>Palm Desktop kennt den Benutzer „%1“ nicht mehr, daher kann das Kennwort für die privaten Datensätze nicht geprüft werden. Sie bleiben ausgeblendet.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Quillet! starts without HotSync notifications.</source>
        <translation>Quillet! startet ohne HotSync-Benachrichtigungen.</translation>
    </message>
</context>
<context>
    <name>quillet::CCategoryCombo</name>
    <message>
        <source>Picture category</source>
        <translation>Bildkategorie</translation>
    </message>
    <message>
        <source>Shows the pictures of one category, or of all</source>
        <translation>Zeigt die Bilder einer Kategorie oder aller</translation>
    </message>
    <message>
        <source>Topic category</source>
        <translation>Themenkategorie</translation>
    </message>
    <message>
        <source>Shows the topics of one category, or of all</source>
        <translation>Zeigt die Themen einer Kategorie oder aller</translation>
    </message>
</context>
<context>
    <name>quillet::CMainWindow</name>
    <message>
        <source>Quillet! could not open your records</source>
        <translation>Quillet! konnte Ihre Datensätze nicht öffnen</translation>
    </message>
</context>
<context>
    <name>quillet::CPropertiesSheet</name>
    <message>
        <source>User name</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>The default user for HotSync operations</source>
        <translation>Der Standardbenutzer für HotSync-Vorgänge</translation>
    </message>
</context>
<context>
    <name>quillet::CRebar</name>
    <message>
        <source>Theme of the topic page</source>
        <translation>Design der Themenseite</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>More buttons</source>
        <translation>Weitere Schaltflächen</translation>
    </message>
    <message>
        <source>Theme</source>
        <translation>Design</translation>
    </message>
</context>
<context>
    <name>quillet::CTopicTree</name>
    <message>
        <source>Topics</source>
        <translation>Themen</translation>
    </message>
    <message>
        <source>The topics with their notes, pictures and references</source>
        <translation>Die Themen mit ihren Notizen, Bildern und Literaturangaben</translation>
    </message>
    <message>
        <source>Topic</source>
        <translation>Thema</translation>
    </message>
</context>
<context>
    <name>quillet::CWebWnd</name>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
</context>
<context>
    <name>quillet::PaneBrowser</name>
    <message>
        <source>Page</source>
        <translation>Seite</translation>
    </message>
    <message>
        <source>The page shown. Tab and Shift+Tab move between its links, Enter follows one.</source>
        <translation>Die angezeigte Seite. Tab und Umschalt+Tab wechseln zwischen ihren Verweisen, die Eingabetaste folgt einem.</translation>
    </message>
</context>
</TS>
