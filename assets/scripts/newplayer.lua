-- Asks for a new player's name; the first player cannot skip it.
NameDialog( "newplayer", function( name ) CreateNewUser( name ) end, GetNumUsers() == 0 )
