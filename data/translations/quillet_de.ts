<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>AutoBackup</name>
    <message>
        <source>The disk of %1 is nearly full. Quillet! keeps room for saving your records there: it takes no more backups of %2 until there is more room.

Free some space on that disk.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk of %1 is nearly full. Quillet! keeps room for saving your records there: it removed the oldest backups of %2 to make room.

Free some space on that disk.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1

Quillet! takes no backups of %2 until then.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Desktop</name>
    <message>
        <source>The web page could not be opened:

%1

Set up a web browser as your desktop&apos;s default for web pages, or copy the address into your web browser.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder could not be opened because it does not exist:

%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file could not be opened because it does not exist:

%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder could not be opened:

%1

Set up a file manager as your desktop&apos;s default for folders, or open the folder from your file manager.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file could not be opened:

%1

Set up a default application for this kind of file in your desktop&apos;s settings, or open the file from that application.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The theme file could not be opened because it does not exist:

%1

Choose another theme, or use Themes &gt; Reset All to put back the themes that came with Quillet!.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The theme file could not be opened in a text editor:

%1

Set up a default application for plain text files in your desktop&apos;s settings (or set the VISUAL or EDITOR variable), then try again; or open the file from your text editor.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>The password holds a character that Palm Desktop passwords cannot hold (%1). Check the keyboard layout and type it again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FirstStart</name>
    <message>
        <source>Welcome to Quillet!

There was no Palm Desktop on this account yet, so a Palm Desktop user &quot;%1&quot; has been set up for you.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Its records are kept in
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no HotSync on Linux: to see your handheld&apos;s records here, copy quillet.dat from your Palm Desktop folder on another computer into that folder. Quillet! notices when the file changes.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>JpegFile</name>
    <message>
        <source>JPEG Error</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LinkPolicy</name>
    <message>
        <source>This link leads outside Quillet!&apos;s own pages:

%1

Do you want to open it?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Mail</name>
    <message>
        <source>There is no report of %1 to send yet.

Show the topic first, then send it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The report of %1 is in a new message in your mail program.

Add the recipients there and send it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No mail program is set up on this computer, so the message with the report of %1 was saved as a file:

%2

Open that file with your mail program to send it, or set up a mail program (the desktop&apos;s default for e-mail) and send again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Its report file is missing or cannot be read. Show the topic again to rebuild it, then send it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk is full. Make room, then send it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There was not enough memory. Close other programs, then send it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The mail program and the outbox folder could not take it. Check that a mail program is set up and that your data folder can be written to, then send it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The report of %1 was not sent.

%2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Menus</name>
    <message>
        <source>New &amp;Note</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New &amp;Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New &amp;Reference</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Book</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Internet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Journal Article</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Magazine Article</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Newspaper Article</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit Using Default Editor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Using &amp;Text Editor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Reset All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Export as PDF...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print Preview...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Page Setup...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Send</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore From &amp;Backup...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Import References...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export &amp;References...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xpand All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;ollapse All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Properties...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Themes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;User</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Change Default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt; &amp;Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Forward &gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Start Page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Topic Center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Image Center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show &amp;Private Records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;omments &amp;&amp; Feedback</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>B&amp;rightfen On-line Support</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Save As...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Duplicate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PageActions</name>
    <message>
        <source>The page could not be written to

%1

Check that the folder exists and that you may write there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The theme &quot;%1&quot; is no longer in the theme folder, so it cannot be used.

The list of themes has been brought up to date. To get the original themes back, click Themes | Reset All in the main menu.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Placement</name>
    <message>
        <source>%1 bytes.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PostProcess</name>
    <message>
        <source>The size of the report file could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This file is currently empty and cannot be used.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory to read the report file.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Theme</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QtForms</name>
    <message>
        <source>This Palm user has no Quillet! records on this computer yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy quillet.dat from the computer where you HotSync into the user&apos;s Quillet folder (&quot;palm-desktop user list&quot; shows it), or let your synchronisation tool write it there: Quillet! shows the records as soon as the file arrives.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Until then you can start adding topics here.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ReferenceTransfer</name>
    <message>
        <source>... and %1 more.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select the topic the references should go into, then choose Import References again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import References</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>References</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be imported: there is not enough memory.

Nothing was added.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be read: %2.

Nothing was added.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No entry of &quot;%1&quot; could be used. Nothing was added.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The references could not be added to &quot;%1&quot;. Nothing was added.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 reference from &quot;%2&quot; was added to &quot;%3&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 references from &quot;%2&quot; were added to &quot;%3&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export only the references of &quot;%1&quot;?

Yes: this topic&apos;s references.
No: every reference.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; holds no references to export.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There are no references to export.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export References</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Give the file a name ending in .bib (BibTeX) or .ris (RIS).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1.

Nothing was written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 reference was written to &quot;%2&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 references were written to &quot;%2&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ReportBuilder</name>
    <message>
        <source>The report was saved as

%1

but no program could be found to show it. Open it from your file manager or web browser.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RestoreBackup</name>
    <message>
        <source>Restore From Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backups of the records of %1, newest first. The one you restore replaces the current records, which are backed up first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The backups cannot be read: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Damaged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No backups have been taken of these records yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the backup to restore.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This backup is damaged and cannot be restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore puts these records back in place of the current ones.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace the current records with the backup taken %1?

The current records are backed up first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The backup could not be restored: %1.

The current records are unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>Failed to Open Palm Desktop, please stop the install, set-up the Palm Desktop and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed To Open</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>Unable to open the database.  File &gt; Restore From Backup... brings back an earlier copy; or copy quillet.dat again from the computer where you HotSync, and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>My Topics</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Forward</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Incorrect password.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Unfiled...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete the selected Item(s)?

This operation cannot be undone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Archive deleted item(s) at next HotSync operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to restore the original themes and lose any changes to your current themes?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Author</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Default User</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search Results...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Categories</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error saving file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>: \ / * ? &quot; &lt; &gt; | are not allowed in a report&apos;s file name, so that it can also be
opened on the handheld user&apos;s other computers.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0 Records Found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to delete all of your topics and their contents?

This action cannot be undone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A file with the same name already exists, overwrite?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Memory.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t draw scans.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t draw map.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t open file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bad Device Independent Bitmap (DIB) file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to create palette.  Supported colors are 1, 4, 8, and 24 bits.

Please save the current image into one of these formats and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t load RLE.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can&apos;t create BMP.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>My Pictures</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No file was saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logging</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This project already exists or is an invalid name e.g. Unfiled.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unfiled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The %s contains more than %d characters.
It will be truncated before saving.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Categories</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file may already be open in another application or

the path is invalid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The current image + thumbnail is larger than the 60000 byte limit and can not be saved.

Please try again, this time decreasing the &quot;Quality&quot; setting.

Current image + thumbnail size: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to load image file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to open or create the log file.

Check the log folder on the Logging page of Edit &gt; Properties... (by default ~/.local/state/quillet/): it must exist and be writable.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writing report failed.
The file may be locked by another application.
Close all applications and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There was an error saving the current data to the database.

Check to make sure the user hasn&apos;t been deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Topic</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click Update to save or Cancel to discard your changes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The result is not in the current set of topics. 

Please change your filter settings and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to open any themes.  Please restore the original themes by clicking on Themes | Reset All in the main menu.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy of </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Private Records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hide Private Records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The database file could not be read.  It has been kept as

%s

and a new, empty database has been started.  File &gt; Restore From Backup... brings back an earlier copy of your records.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The %s contains the character %s, which the handheld cannot store.
Please remove or replace it and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other people who use this computer can open these folders and read the records in them:

%s
Only you should be able to open them (for example with the command chmod 700 and the folder&apos;s name).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There was an error saving the current data to the database.

%s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The records of %s could not be opened.

%s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quillet! could not read its settings, nor Palm Desktop&apos;s list of users kept with them.

%s

Your records have not been touched. Make room on the disk (or make the settings file readable), then start Quillet! again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A HotSync was made for a Palm Desktop user (number %u) whom Palm Desktop does not list.

The records shown stay those of the user already open.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview: %lu bytes, within the %lu-byte limit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview: %lu bytes, over the %lu-byte limit: lower the Quality to store it.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ThemeFile</name>
    <message>
        <source>The size of the theme file could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Maximum theme size exceeded.  Please reduce the size of your theme and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory to read the theme.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This theme is currently empty and cannot be used.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TreeEdits</name>
    <message>
        <source>Delete Item...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UnsavedEdits</name>
    <message>
        <source>Save changes to the new record?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save changes to &quot;%1&quot;?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UserSwitch</name>
    <message>
        <source>Palm Desktop does not know the user &quot;%1&quot; any more, so the password for the private records cannot be checked. They stay hidden.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Quillet! starts without HotSync notifications.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quillet::CMainWindow</name>
    <message>
        <source>Quillet! could not open your records</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quillet::CRebar</name>
    <message>
        <source>Theme of the topic page</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quillet::CWebWnd</name>
    <message>
        <source>Print</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
