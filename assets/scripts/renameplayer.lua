-- Asks for the current player's new name.
NameDialog( "renameplayer", function( name ) ChangeCurrentUserName( name ) end, false )
