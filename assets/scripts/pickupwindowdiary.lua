-- A page for the diary was found: what it says, and where to read it again.
DiaryPageDialog( GetGlobalString( "diaryPageText" ) )
