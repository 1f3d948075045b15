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
    <name>BrightfenCheck</name>
    <message>
        <source>Could not create a temporary folder.</source>
        <translation>Es konnte kein temporärer Ordner angelegt werden.</translation>
    </message>
</context>
<context>
    <name>CustomWnd</name>
    <message>
        <source>Book Details</source>
        <translation>Buch – Details</translation>
    </message>
    <message>
        <source>Journal Details</source>
        <translation>Fachzeitschriftenartikel – Details</translation>
    </message>
    <message>
        <source>Magazine Details</source>
        <translation>Zeitschriftenartikel – Details</translation>
    </message>
    <message>
        <source>Newspaper Details</source>
        <translation>Zeitungsartikel – Details</translation>
    </message>
    <message>
        <source>Report Details</source>
        <translation>Bericht – Details</translation>
    </message>
    <message>
        <source>Internet Details</source>
        <translation>Internetquelle – Details</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Publisher</source>
        <translation>Verlag</translation>
    </message>
    <message>
        <source>ISBN</source>
        <translation>ISBN</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Page(s)</source>
        <translation>Seite(n)</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>Notizen</translation>
    </message>
    <message>
        <source>Journal</source>
        <translation>Fachzeitschrift</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Band</translation>
    </message>
    <message>
        <source>Issue</source>
        <translation>Heft</translation>
    </message>
    <message>
        <source>Magazine</source>
        <translation>Zeitschrift</translation>
    </message>
    <message>
        <source>Newspaper</source>
        <translation>Zeitung</translation>
    </message>
    <message>
        <source>City</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Reporter</source>
        <translation>Berichterstatter</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Abstract</source>
        <translation>Zusammenfassung</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
    <message>
        <source>field</source>
        <translation>Feld</translation>
    </message>
    <message>
        <source>%1:</source>
        <translation>%1:</translation>
    </message>
    <message>
        <source>Private</source>
        <translation>Privat</translation>
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
    <name>FindWnd</name>
    <message>
        <source>Search For...</source>
        <translation>Suchen nach...</translation>
    </message>
    <message>
        <source>ANY of the above words</source>
        <translation>IRGENDEINES der obigen Wörter</translation>
    </message>
    <message>
        <source>ALL of the above words</source>
        <translation>ALLE obigen Wörter</translation>
    </message>
    <message>
        <source>EXACT phrase entered</source>
        <translation>GENAU die eingegebene Wortfolge</translation>
    </message>
    <message>
        <source>Topic</source>
        <translation>Thema</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
    <message>
        <source>Image or Sketch</source>
        <translation>Bild oder Skizze</translation>
    </message>
    <message>
        <source>Reference</source>
        <translation>Literaturangabe</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>1 Record Found</source>
        <translation>1 Datensatz gefunden</translation>
    </message>
    <message>
        <source>%1 Records Found</source>
        <translation>%1 Datensätze gefunden</translation>
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
    <name>ImageWnd</name>
    <message>
        <source>Image Details</source>
        <translation>Bild – Details</translation>
    </message>
    <message>
        <source>Private</source>
        <translation>Privat</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Open...</source>
        <translation>Öffnen...</translation>
    </message>
    <message>
        <source>Display Size</source>
        <translation>Anzeigegröße</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>Installer</name>
    <message>
        <source>Error: CondMgr.dll could not be loaded!
</source>
        <translation>Fehler: CondMgr.dll konnte nicht geladen werden!
</translation>
    </message>
    <message>
        <source>Error: the conduit or the notifier library is missing!
</source>
        <translation>Fehler: Die Conduit- oder die Benachrichtigungsbibliothek fehlt!
</translation>
    </message>
    <message>
        <source>Error: invalid CondMgr.dll!
</source>
        <translation>Fehler: Ungültige CondMgr.dll!
</translation>
    </message>
    <message>
        <source>Error: HSAPI.dll not found!
</source>
        <translation>Fehler: HSAPI.dll nicht gefunden!
</translation>
    </message>
    <message>
        <source>Error: HotSync in progress!
</source>
        <translation>Fehler: Ein HotSync läuft gerade!
</translation>
    </message>
    <message>
        <source>Error: Unknown Conduit Manager error!
</source>
        <translation>Fehler: Unbekannter Fehler des Conduit-Managers!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, index out of range!
</source>
        <translation>Fehler: Conduit-Manager, Index außerhalb des Bereichs!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, unable to delete conduit!
</source>
        <translation>Fehler: Conduit-Manager, Conduit kann nicht gelöscht werden!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, conduit not previously installed!
</source>
        <translation>Fehler: Conduit-Manager, Conduit war nicht installiert!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, out of memory!
</source>
        <translation>Fehler: Conduit-Manager, kein Speicher frei!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, creator id already in use!
</source>
        <translation>Fehler: Conduit-Manager, Creator-ID wird bereits verwendet!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, unable to access registry!
</source>
        <translation>Fehler: Conduit-Manager, kein Zugriff auf die Registrierung!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, unable to create conduit!
</source>
        <translation>Fehler: Conduit-Manager, Conduit kann nicht angelegt werden!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, unable to set conduit value!
</source>
        <translation>Fehler: Conduit-Manager, Conduit-Wert kann nicht gesetzt werden!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, invalid handle passed!
</source>
        <translation>Fehler: Conduit-Manager, ungültiges Handle übergeben!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, buffer too small!
</source>
        <translation>Fehler: Conduit-Manager, Puffer zu klein!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, value not found!
</source>
        <translation>Fehler: Conduit-Manager, Wert nicht gefunden!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, invalid creator id!
</source>
        <translation>Fehler: Conduit-Manager, ungültige Creator-ID!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, invalid pointer passed!
</source>
        <translation>Fehler: Conduit-Manager, ungültiger Zeiger übergeben!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, unable to install conduit!
</source>
        <translation>Fehler: Conduit-Manager, Conduit kann nicht installiert werden!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, invalid conduit type!
</source>
        <translation>Fehler: Conduit-Manager, ungültiger Conduit-Typ!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, invalid COM port type!
</source>
        <translation>Fehler: Conduit-Manager, ungültiger COM-Port-Typ!
</translation>
    </message>
    <message>
        <source>Error: Conduit Manager, function no longer supported!
</source>
        <translation>Fehler: Conduit-Manager, Funktion wird nicht mehr unterstützt!
</translation>
    </message>
    <message>
        <source>Unknown error occurred!
</source>
        <translation>Ein unbekannter Fehler ist aufgetreten!
</translation>
    </message>
    <message>
        <source>Quillet! is set up for HotSync.

%1 is queued for the next HotSync of %2, and the Quillet! conduit and notifier are registered with HotSync.</source>
        <translation>Quillet! ist für HotSync eingerichtet.

%1 wird beim nächsten HotSync von %2 übertragen, und das Quillet!-Conduit und die Benachrichtigung sind bei HotSync angemeldet.</translation>
    </message>
    <message>
        <source>The installer cannot go on: this file is missing:

%1
Nothing was changed. Please install Quillet! again, or contact support at %2.</source>
        <translation>Die Installation kann nicht fortfahren, weil diese Datei fehlt:

%1
Es wurde nichts verändert. Bitte installieren Sie Quillet! erneut, oder wenden Sie sich an den Support unter %2.</translation>
    </message>
    <message>
        <source>The installer cannot go on: these files are missing:

%1
Nothing was changed. Please install Quillet! again, or contact support at %2.</source>
        <translation>Die Installation kann nicht fortfahren, weil diese Dateien fehlen:

%1
Es wurde nichts verändert. Bitte installieren Sie Quillet! erneut, oder wenden Sie sich an den Support unter %2.</translation>
    </message>
    <message>
        <source>Unable to initialize the installer.  Please contact support at %1.</source>
        <translation>Die Installation kann nicht vorbereitet werden.  Bitte wenden Sie sich an den Support unter %1.</translation>
    </message>
    <message>
        <source>Unable to get the user count.  Please contact support at %1.</source>
        <translation>Die Zahl der Benutzer kann nicht ermittelt werden.  Bitte wenden Sie sich an den Support unter %1.</translation>
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
    <name>NoteWnd</name>
    <message>
        <source>Note Details</source>
        <translation>Notiz – Details</translation>
    </message>
    <message>
        <source>Note:</source>
        <translation>Notiz:</translation>
    </message>
    <message>
        <source>Private</source>
        <translation>Privat</translation>
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
    <message>
        <source>Export as PDF</source>
        <translation>Als PDF exportieren</translation>
    </message>
    <message>
        <source>PDF Files (*.pdf)</source>
        <translation>PDF-Dateien (*.pdf)</translation>
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
    <name>PrivateFolder</name>
    <message>
        <source>The folder %1 %2 is not an absolute path.</source>
        <translation>Der Ordner %1 %2 ist kein absoluter Pfad.</translation>
    </message>
    <message>
        <source>The folder %1 %2 cannot be used: %3.</source>
        <translation>Der Ordner %1 %2 kann nicht verwendet werden: %3.</translation>
    </message>
    <message>
        <source>The folder %1 %2 is a symbolic link, which another user could have made. Quillet! will not use it; remove it and start Quillet! again.</source>
        <translation>Der Ordner %1 %2 ist eine symbolische Verknüpfung, die ein anderer Benutzer angelegt haben könnte. Quillet! verwendet ihn nicht; entfernen Sie ihn und starten Sie Quillet! erneut.</translation>
    </message>
    <message>
        <source>The folder %1 %2 is not a folder. Quillet! will not use it; remove it and start Quillet! again.</source>
        <translation>Der Ordner %1 %2 ist kein Ordner. Quillet! verwendet ihn nicht; entfernen Sie ihn und starten Sie Quillet! erneut.</translation>
    </message>
    <message>
        <source>The folder %1 %2 belongs to another user (user id %3). Quillet! will not use it; remove it and start Quillet! again.</source>
        <translation>Der Ordner %1 %2 gehört einem anderen Benutzer (Benutzerkennung %3). Quillet! verwendet ihn nicht; entfernen Sie ihn und starten Sie Quillet! erneut.</translation>
    </message>
    <message>
        <source>The folder %1 %2 is open to other users (mode %3). Quillet! will not use it; remove it, or make it private with &quot;chmod 700&quot;, and start Quillet! again.</source>
        <translation>Der Ordner %1 %2 ist für andere Benutzer offen (Modus %3). Quillet! verwendet ihn nicht; entfernen Sie ihn oder machen Sie ihn mit „chmod 700“ privat, und starten Sie Quillet! erneut.</translation>
    </message>
    <message>
        <source>for Quillet!&apos;s backups</source>
        <translation>für die Sicherungen von Quillet!</translation>
    </message>
    <message>
        <source>for Quillet!&apos;s messages</source>
        <translation>für die Nachrichten von Quillet!</translation>
    </message>
</context>
<context>
    <name>PropertiesSheet</name>
    <message>
        <source>category name</source>
        <translation>Kategoriename</translation>
    </message>
    <message>
        <source>author&apos;s name</source>
        <translation>Name des Autors</translation>
    </message>
    <message>
        <source>author&apos;s title</source>
        <translation>Titel des Autors</translation>
    </message>
    <message>
        <source>author&apos;s e-mail</source>
        <translation>E-Mail des Autors</translation>
    </message>
    <message>
        <source>author&apos;s phone</source>
        <translation>Telefon des Autors</translation>
    </message>
</context>
<context>
    <name>QtForms</name>
    <message>
        <source>This Palm user has no Quillet! records on this computer yet.</source>
        <translation>Dieser Palm-Benutzer hat auf diesem Computer noch keine Quillet!-Datensätze.</translation>
    </message>
    <message>
        <source>Copy quillet.dat from the computer where you HotSync into the user&apos;s Quillet folder (&quot;quillet-palm-desktop user list&quot; shows it), or let your synchronisation tool write it there: Quillet! shows the records as soon as the file arrives.</source>
        <translation>Kopieren Sie quillet.dat von dem Computer, auf dem Sie HotSync ausführen, in den Quillet-Ordner des Benutzers („quillet-palm-desktop user list“ zeigt ihn an), oder lassen Sie Ihr Synchronisationswerkzeug sie dorthin schreiben: Quillet! zeigt die Datensätze, sobald die Datei da ist.</translation>
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
    <name>RecordDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>RecordStore</name>
    <message>
        <source>The database has no file name.</source>
        <translation>Die Datenbank hat keinen Dateinamen.</translation>
    </message>
    <message>
        <source>%1 is in use by another program (waited %2 seconds).</source>
        <translation>%1 wird von einem anderen Programm verwendet (%2 Sekunden gewartet).</translation>
    </message>
    <message>
        <source>The folder of %1 no longer exists (was the user deleted?).</source>
        <translation>Der Ordner von %1 existiert nicht mehr (wurde der Benutzer gelöscht?).</translation>
    </message>
    <message>
        <source>%1 does not exist.</source>
        <translation>%1 existiert nicht.</translation>
    </message>
    <message>
        <source>There is no permission to open %1.</source>
        <translation>Es fehlt die Berechtigung, %1 zu öffnen.</translation>
    </message>
    <message>
        <source>%1 is a folder, not a file.</source>
        <translation>%1 ist ein Ordner, keine Datei.</translation>
    </message>
    <message>
        <source>%1 is not an ordinary file (a pipe, a device or a socket) and cannot be read.</source>
        <translation>%1 ist keine gewöhnliche Datei (sondern eine Pipe, ein Gerät oder ein Socket) und kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>%1 could not be opened.</source>
        <translation>%1 konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>%1 could not be opened: %2.</source>
        <translation>%1 konnte nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>%1 could not be written: the disk is full.</source>
        <translation>%1 konnte nicht geschrieben werden: Der Datenträger ist voll.</translation>
    </message>
    <message>
        <source>%1 could not be written (is the disk full?).</source>
        <translation>%1 konnte nicht geschrieben werden (ist der Datenträger voll?).</translation>
    </message>
    <message>
        <source>%1 could not be written: %2.</source>
        <translation>%1 konnte nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>There is not enough memory.</source>
        <translation>Es ist nicht genug Speicher frei.</translation>
    </message>
    <message>
        <source>%1 is being written by another program (waited %2 seconds for it to finish); try again when that program is done.</source>
        <translation>%1 wird gerade von einem anderen Programm geschrieben (%2 Sekunden auf das Ende gewartet); versuchen Sie es erneut, wenn dieses Programm fertig ist.</translation>
    </message>
    <message>
        <source>%1 on the disk is damaged (result %2), so it was not written over; your changes are kept until it can be saved.</source>
        <translation>%1 auf dem Datenträger ist beschädigt (Ergebnis %2) und wurde daher nicht überschrieben; Ihre Änderungen bleiben erhalten, bis gespeichert werden kann.</translation>
    </message>
    <message>
        <source>%1 is damaged (result %2).</source>
        <translation>%1 ist beschädigt (Ergebnis %2).</translation>
    </message>
</context>
<context>
    <name>RefExchange</name>
    <message>
        <source>%1 entry read</source>
        <translation>%1 Eintrag gelesen</translation>
    </message>
    <message>
        <source>%1 entries read</source>
        <translation>%1 Einträge gelesen</translation>
    </message>
    <message>
        <source>%1 added</source>
        <translation>%1 hinzugefügt</translation>
    </message>
    <message>
        <source>%1 skipped</source>
        <translation>%1 übersprungen</translation>
    </message>
    <message>
        <source>%1 field moved to Notes</source>
        <translation>%1 Feld in die Notizen verschoben</translation>
    </message>
    <message>
        <source>%1 fields moved to Notes</source>
        <translation>%1 Felder in die Notizen verschoben</translation>
    </message>
    <message>
        <source>%1 character replaced</source>
        <translation>%1 Zeichen ersetzt</translation>
    </message>
    <message>
        <source>%1 characters replaced</source>
        <translation>%1 Zeichen ersetzt</translation>
    </message>
    <message>
        <source>; the file is not UTF-8 and was read as Windows-1252</source>
        <translation>; die Datei ist kein UTF-8 und wurde als Windows-1252 gelesen</translation>
    </message>
    <message>
        <source>; TeX commands kept as their names:%1</source>
        <translation>; TeX-Befehle als ihre Namen behalten:%1</translation>
    </message>
    <message>
        <source> and %1 more</source>
        <translation> und %1 weitere</translation>
    </message>
    <message>
        <source>a closing brace without an opening one</source>
        <translation>eine schließende geschweifte Klammer ohne öffnende</translation>
    </message>
    <message>
        <source>a brace is not closed</source>
        <translation>eine geschweifte Klammer ist nicht geschlossen</translation>
    </message>
    <message>
        <source>a quote is not closed</source>
        <translation>ein Anführungszeichen ist nicht geschlossen</translation>
    </message>
    <message>
        <source>unexpected &quot;%1&quot;</source>
        <translation>unerwartetes „%1“</translation>
    </message>
    <message>
        <source>the file ends inside the entry</source>
        <translation>die Datei endet mitten im Eintrag</translation>
    </message>
    <message>
        <source>an abbreviation without a name or &quot;=&quot;</source>
        <translation>eine Abkürzung ohne Namen oder „=“</translation>
    </message>
    <message>
        <source>an abbreviation that does not end</source>
        <translation>eine Abkürzung, die nicht endet</translation>
    </message>
    <message>
        <source>no citation key</source>
        <translation>kein Zitierschlüssel</translation>
    </message>
    <message>
        <source>no &quot;=&quot; after %1</source>
        <translation>kein „=“ nach %1</translation>
    </message>
    <message>
        <source>%1 (in %2)</source>
        <translation>%1 (in %2)</translation>
    </message>
    <message>
        <source>no comma after %1</source>
        <translation>kein Komma nach %1</translation>
    </message>
    <message>
        <source>%1 was longer than %2 characters in the file and was cut</source>
        <translation>%1 war in der Datei länger als %2 Zeichen und wurde gekürzt</translation>
    </message>
    <message>
        <source>line %1, %2: %3</source>
        <translation>Zeile %1, %2: %3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>skipped: %1</source>
        <translation>übersprungen: %1</translation>
    </message>
    <message>
        <source>left out: not a reference of a known kind</source>
        <translation>ausgelassen: keine Literaturangabe einer bekannten Art</translation>
    </message>
    <message>
        <source>nothing</source>
        <translation>nichts</translation>
    </message>
    <message>
        <source>&quot;%1&quot; (%2) as %3</source>
        <translation>„%1“ (%2) als %3</translation>
    </message>
    <message>
        <source>nothing in it to keep</source>
        <translation>nichts darin, was sich behalten ließe</translation>
    </message>
    <message>
        <source>%1 came in as %2</source>
        <translation>%1 wurde als %2 übernommen</translation>
    </message>
    <message>
        <source>no character of its title is in the code page, and no key or romanised title stands in</source>
        <translation>kein Zeichen seines Titels ist in der Codepage, und weder ein Schlüssel noch ein lateinisch umschriebener Titel kann ihn ersetzen</translation>
    </message>
    <message>
        <source>Title: no character of it is in the code page; &quot;%1&quot; stands in for it</source>
        <translation>Titel: keines seiner Zeichen ist in der Codepage; „%1“ steht an seiner Stelle</translation>
    </message>
    <message>
        <source>%1 cut to %2 characters (it had %3)</source>
        <translation>%1 auf %2 Zeichen gekürzt (es waren %3)</translation>
    </message>
    <message>
        <source>%1 control character was read as a space</source>
        <translation>%1 Steuerzeichen wurde als Leerzeichen gelesen</translation>
    </message>
    <message>
        <source>%1 control characters were read as a space</source>
        <translation>%1 Steuerzeichen wurden als Leerzeichen gelesen</translation>
    </message>
    <message>
        <source>%1 control character was written as a space</source>
        <translation>%1 Steuerzeichen wurde als Leerzeichen geschrieben</translation>
    </message>
    <message>
        <source>%1 control characters were written as a space</source>
        <translation>%1 Steuerzeichen wurden als Leerzeichen geschrieben</translation>
    </message>
    <message>
        <source>no end (ER) before the next entry</source>
        <translation>kein Ende (ER) vor dem nächsten Eintrag</translation>
    </message>
    <message>
        <source>the file ends before the entry&apos;s end (ER)</source>
        <translation>die Datei endet vor dem Ende (ER) des Eintrags</translation>
    </message>
    <message>
        <source>Book</source>
        <translation>Buch</translation>
    </message>
    <message>
        <source>Internet</source>
        <translation>Internetquelle</translation>
    </message>
    <message>
        <source>Journal Article</source>
        <translation>Fachzeitschriftenartikel</translation>
    </message>
    <message>
        <source>Magazine Article</source>
        <translation>Zeitschriftenartikel</translation>
    </message>
    <message>
        <source>Newspaper Article</source>
        <translation>Zeitungsartikel</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>Bericht</translation>
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
    <name>RestoreBackupDlg</name>
    <message>
        <source>Taken</source>
        <translation>Angelegt</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Topics</source>
        <translation>Themen</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>Notizen</translation>
    </message>
    <message>
        <source>Pictures</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>Sketches</source>
        <translation>Skizzen</translation>
    </message>
    <message>
        <source>References</source>
        <translation>Literaturangaben</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>There are no records of a Palm user to restore.</source>
        <translation>Es gibt keine Datensätze eines Palm-Benutzers, die wiederhergestellt werden könnten.</translation>
    </message>
    <message>
        <source>The backup is restored.

The records it replaced were backed up first, so they can be restored the same way.</source>
        <translation>Die Sicherung ist wiederhergestellt.

Die Datensätze, die sie ersetzt hat, wurden vorher gesichert und lassen sich auf demselben Weg wiederherstellen.</translation>
    </message>
</context>
<context>
    <name>Shortcuts</name>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Theme</source>
        <translation>Design</translation>
    </message>
</context>
<context>
    <name>SketchWnd</name>
    <message>
        <source>Sketch Details</source>
        <translation>Skizze – Details</translation>
    </message>
    <message>
        <source>Private</source>
        <translation>Privat</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Breite:</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Höhe:</translation>
    </message>
    <message>
        <source>Bytes:</source>
        <translation>Bytes:</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Sketch</source>
        <translation>Skizze</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
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
    <name>StoreBackups</name>
    <message>
        <source>done</source>
        <translation>erledigt</translation>
    </message>
    <message>
        <source>the store file does not exist</source>
        <translation>die Datendatei existiert nicht</translation>
    </message>
    <message>
        <source>the store file is in use by another program or cannot be written</source>
        <translation>die Datendatei wird von einem anderen Programm verwendet oder kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>the store file cannot be read</source>
        <translation>die Datendatei kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the backup folder is a symbolic link (backups are never written through links)</source>
        <translation>der Sicherungsordner ist eine symbolische Verknüpfung (Sicherungen werden nie über Verknüpfungen geschrieben)</translation>
    </message>
    <message>
        <source>the backup folder cannot be created or read</source>
        <translation>der Sicherungsordner kann nicht angelegt oder gelesen werden</translation>
    </message>
    <message>
        <source>the backup could not be written</source>
        <translation>die Sicherung konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>there is no such backup file</source>
        <translation>diese Sicherungsdatei gibt es nicht</translation>
    </message>
    <message>
        <source>the backup is damaged</source>
        <translation>die Sicherung ist beschädigt</translation>
    </message>
    <message>
        <source>the store file could not be replaced</source>
        <translation>die Datendatei konnte nicht ersetzt werden</translation>
    </message>
    <message>
        <source>the backup folder belongs to another user or other users may write to it</source>
        <translation>der Sicherungsordner gehört einem anderen Benutzer, oder andere Benutzer dürfen hineinschreiben</translation>
    </message>
    <message>
        <source>there is not enough free disk space for a backup</source>
        <translation>auf dem Datenträger ist nicht genug Platz für eine Sicherung frei</translation>
    </message>
    <message>
        <source>the file is not a Quillet! store</source>
        <translation>die Datei ist keine Quillet!-Datendatei</translation>
    </message>
    <message>
        <source>unknown failure</source>
        <translation>unbekannter Fehler</translation>
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
    <name>SupportCheck</name>
    <message>
        <source>The report file saved successfully.

Please send BrightfenCheckReport1.zip to %1 now.</source>
        <translation>Die Berichtsdatei wurde erfolgreich gespeichert.

Bitte senden Sie BrightfenCheckReport1.zip jetzt an %1.</translation>
    </message>
    <message>
        <source>The report file DID NOT save successfully.

Please contact %1.</source>
        <translation>Die Berichtsdatei wurde NICHT gespeichert.

Bitte wenden Sie sich an %1.</translation>
    </message>
    <message>
        <source>BrightfenCheck Report</source>
        <translation>BrightfenCheck-Bericht</translation>
    </message>
    <message>
        <source>Choose a folder</source>
        <translation>Ordner wählen</translation>
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
    <name>TopicTreeItem</name>
    <message>
        <source>(untitled)</source>
        <translation>(ohne Titel)</translation>
    </message>
    <message>
        <source>%1 (private)</source>
        <translation>%1 (privat)</translation>
    </message>
</context>
<context>
    <name>TopicWnd</name>
    <message>
        <source>Topic Details</source>
        <translation>Thema – Details</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>Titel:</translation>
    </message>
    <message>
        <source>Category:</source>
        <translation>Kategorie:</translation>
    </message>
    <message>
        <source>Add category</source>
        <translation>Kategorie hinzufügen</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>Change author</source>
        <translation>Autor ändern</translation>
    </message>
    <message>
        <source>Author:</source>
        <translation>Autor:</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
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
    <name>brightfen::CCheckWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Contact Brightfen Support</source>
        <translation>&amp;Brightfen-Support kontaktieren</translation>
    </message>
    <message>
        <source>The support page could not be opened:

%1

Set up a web browser as your desktop&apos;s default for web pages, or copy the address into your web browser.</source>
        <translation>Die Support-Seite konnte nicht geöffnet werden:

%1

Richten Sie einen Webbrowser als Standard Ihrer Arbeitsumgebung für Webseiten ein, oder kopieren Sie die Adresse in Ihren Webbrowser.</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Enumerating Products</source>
        <translation>Produkte ermitteln</translation>
    </message>
    <message>
        <source>Checking Databases</source>
        <translation>Datenbanken prüfen</translation>
    </message>
    <message>
        <source>Checking Registry</source>
        <translation>Registrierung prüfen</translation>
    </message>
    <message>
        <source>Creating Report</source>
        <translation>Bericht erstellen</translation>
    </message>
    <message>
        <source>Product Name</source>
        <translation>Produktname</translation>
    </message>
    <message>
        <source>Instructions</source>
        <translation>Anleitung</translation>
    </message>
    <message>
        <source>Click on &apos;Start Diagnostic&apos; below to begin checking your system.</source>
        <translation>Klicken Sie unten auf „Diagnose starten“, um die Prüfung Ihres Systems zu beginnen.</translation>
    </message>
    <message>
        <source>Start Diagnostic</source>
        <translation>Diagnose starten</translation>
    </message>
    <message>
        <source>Please send BrightfenCheckReport1.zip to %1 and tell us which issue the report is about. Thank you from the Brightfen team.</source>
        <translation>Bitte senden Sie BrightfenCheckReport1.zip an %1 und teilen Sie uns mit, um welches Problem es in dem Bericht geht. Vielen Dank vom Brightfen-Team.</translation>
    </message>
    <message>
        <source>Save Report...</source>
        <translation>Bericht speichern...</translation>
    </message>
</context>
<context>
    <name>installer::InstallerWindow</name>
    <message>
        <source>User Selection</source>
        <translation>Benutzerauswahl</translation>
    </message>
    <message>
        <source>Please select a user:</source>
        <translation>Bitte wählen Sie einen Benutzer:</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Installing Quillet! Conduit and Notifier...</source>
        <translation>Quillet!-Conduit und Benachrichtigung werden installiert...</translation>
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
    <name>quillet::CCategoriesPage</name>
    <message>
        <source>New Category</source>
        <translation>Neue Kategorie</translation>
    </message>
    <message>
        <source>New category name</source>
        <translation>Name der neuen Kategorie</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation>&amp;Umbenennen</translation>
    </message>
    <message>
        <source>Rename the selected category</source>
        <translation>Die ausgewählte Kategorie umbenennen</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Delete the selected category</source>
        <translation>Die ausgewählte Kategorie löschen</translation>
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
    <name>quillet::CDeleteItemDialog</name>
    <message>
        <source>Delete Item...</source>
        <translation>Eintrag löschen...</translation>
    </message>
</context>
<context>
    <name>quillet::CMainWindow</name>
    <message>
        <source>Quillet! could not open your records</source>
        <translation>Quillet! konnte Ihre Datensätze nicht öffnen</translation>
    </message>
    <message>
        <source>&lt;p&gt;Palm Desktop&apos;s data folder is not set (the &quot;Path&quot; value of Palm Desktop&apos;s settings is empty), so there is no folder for the Palm users&apos; records.&lt;/p&gt;&lt;p&gt;Set up Palm Desktop&apos;s data folder (for this machine: &lt;tt&gt;quillet-palm-desktop init&lt;/tt&gt;, which sets it), HotSync once, then start Quillet! again.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Der Datenordner von Palm Desktop ist nicht festgelegt (der Wert „Path“ in den Einstellungen von Palm Desktop ist leer), daher gibt es keinen Ordner für die Datensätze der Palm-Benutzer.&lt;/p&gt;&lt;p&gt;Richten Sie den Datenordner von Palm Desktop ein (auf diesem Rechner: &lt;tt&gt;quillet-palm-desktop init&lt;/tt&gt;, das ihn festlegt), führen Sie einmal HotSync aus und starten Sie Quillet! dann erneut.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;No Palm Desktop user was found, or the records of the user could not be opened.&lt;/p&gt;&lt;p&gt;Set up Palm Desktop with at least one user (for this machine: &lt;tt&gt;quillet-palm-desktop init&lt;/tt&gt; and &lt;tt&gt;quillet-palm-desktop user add NAME&lt;/tt&gt;), HotSync once, then start Quillet! again.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Es wurde kein Palm-Desktop-Benutzer gefunden, oder die Datensätze des Benutzers konnten nicht geöffnet werden.&lt;/p&gt;&lt;p&gt;Richten Sie Palm Desktop mit mindestens einem Benutzer ein (auf diesem Rechner: &lt;tt&gt;quillet-palm-desktop init&lt;/tt&gt; und &lt;tt&gt;quillet-palm-desktop user add NAME&lt;/tt&gt;), führen Sie einmal HotSync aus und starten Sie Quillet! dann erneut.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>quillet::CPasswordDialog</name>
    <message>
        <source>Show Private Records</source>
        <translation>Private Datensätze anzeigen</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Kennwort:</translation>
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
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>&amp;Title:</source>
        <translation>&amp;Titel:</translation>
    </message>
    <message>
        <source>&amp;E-mail:</source>
        <translation>&amp;E-Mail:</translation>
    </message>
    <message>
        <source>&amp;Phone:</source>
        <translation>Tele&amp;fon:</translation>
    </message>
    <message>
        <source>This information appears in themes with an {AUTHOR} tag.</source>
        <translation>Diese Angaben erscheinen in Designs mit einer {AUTHOR}-Markierung.</translation>
    </message>
    <message>
        <source>Current User</source>
        <translation>Aktueller Benutzer</translation>
    </message>
    <message>
        <source>Select the default user for Hotsync operations...</source>
        <translation>Wählen Sie den Standardbenutzer für HotSync-Vorgänge...</translation>
    </message>
    <message>
        <source>User &amp;Name:</source>
        <translation>Benutzer&amp;name:</translation>
    </message>
    <message>
        <source>User &amp;Path:</source>
        <translation>Benutzer&amp;pfad:</translation>
    </message>
    <message>
        <source>Enable Logging</source>
        <translation>Protokoll einschalten</translation>
    </message>
    <message>
        <source>Enable Program &amp;Logging</source>
        <translation>Programm&amp;protokoll einschalten</translation>
    </message>
    <message>
        <source>Log.txt file l&amp;ocation:</source>
        <translation>&amp;Ort der Datei Log.txt:</translation>
    </message>
    <message>
        <source>&amp;Browse</source>
        <translation>&amp;Durchsuchen</translation>
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
    <name>quillet::CRestoreBackupDlg</name>
    <message>
        <source>&amp;Restore</source>
        <translation>&amp;Wiederherstellen</translation>
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
    <name>quillet::CWndMgr</name>
    <message>
        <source>Open a File</source>
        <translation>Eine Datei öffnen</translation>
    </message>
    <message>
        <source>Quillet (*.arc)</source>
        <translation>Quillet-Archiv (*.arc)</translation>
    </message>
    <message>
        <source>The theme &quot;%1&quot; was removed from the theme folder, and no theme is left there.

To get the original themes back, click Themes | Reset All in the main menu.</source>
        <translation>Das Design „%1“ wurde aus dem Design-Ordner entfernt, und dort ist kein Design mehr übrig.

Um die ursprünglichen Designs zurückzuholen, klicken Sie im Hauptmenü auf Designs | Alle zurücksetzen.</translation>
    </message>
    <message>
        <source>The theme &quot;%1&quot; was removed from the theme folder. Topic pages now use &quot;%2&quot;.</source>
        <translation>Das Design „%1“ wurde aus dem Design-Ordner entfernt. Themenseiten verwenden jetzt „%2“.</translation>
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
    <message>
        <source>This page is too large to show here (more than %1 MB).</source>
        <translation>Diese Seite ist zu groß, um sie hier anzuzeigen (mehr als %1 MB).</translation>
    </message>
</context>
</TS>
