-- The core script library: constants shared by all screen scripts, the globals of the message and
-- dialog protocol, and the functions with which screens are described, opened, waited on and
-- closed. The window script runs it once at start-up, after the native core functions exist.

LUA_PATH = "?;../?;../../?"

kHAlignLeft = 0; kHAlignCenter = 1; kHAlignRight = 2
kVAlignTop = 0; kVAlignCenter = 4; kVAlignBottom = 8
kPush = 0; kToggle = 1; kRadio = 2
kAllLayers = -1
kCenter = 80000
kMax = 160000
kDefault = 128
kPushButtonAlignment = kHAlignCenter + kVAlignCenter
kRadioButtonAlignment = kHAlignLeft + kVAlignCenter
kToggleButtonAlignment = kHAlignCenter + kVAlignCenter

kGeneric = 0; kCloseWindow = 1; kDefaultAction = 2; kButtonPress = 3; kPressAnyKey = 4
kQuitNow = 5; kModalClosed = 6; kTextEditChanged = 7; kCommandOnly = 8
kSliderValChanged = 9; kSliderMouseUp = 10; kSliderPageUp = 11; kSliderPageDown = 12
kUserMessageBase = 1000

kCmdLine = "cmdline"; kLevel = "level"; kSubLevel = "sublevel"; kPause = "pause"; kMute = "mute"
kBreakNow = "breaknow"; kScore = "score"; kGameMode = "gamemode"; kGameOver = "gameover"
kRestartButton = "restartbutton"; kSystemMode = "systemmode"

gReturnValue = nil

kComputerId = "computerid"; kInstallKey = "installkey"; kGameName = "gamename"
kGameVersion = "version"; kEncryptionKey = "encryptionkey"
kHiscoreLocalOnly = "hiscorelocal"; kHiscoreAnonymous = "hiscoreanon"

idtable = {}
gParent = {}
gCurrentDefaultStyle = {}
gCurID = 100
gBeginGroup = 0
gClosedWindows = {}
gCommandQueue = {}
gMessageQueue = {}
gDialogTable = {}

function Color( r, g, b, a )
  if a then return { r / 255, g / 255, b / 255, a / 255 } end
  return { r / 255, g / 255, b / 255, 1 }
end

function FColor( r, g, b, a )
  return { r, g, b, a or 1 }
end

function Push( x ) table.insert( gParent, 1, x ) end
function Pop() table.remove( gParent, 1 ) end

-- GenericCreate answers true only when a window was built and became current; without one the
-- children would be built into, named after and popped off the parent.
function DoWindow( t )
  t.beginGroup = gBeginGroup
  gBeginGroup = 0
  if GenericCreate( t ) then
    MakeDialog( t )
    PopWindow()
  end
end

function DoDialogCommand( index, f ) return f() end

function MakeDialog( t )
  local saved = gCurrentDefaultStyle
  if t.name and t.name ~= "" then SetWindowName( t.name ) end
  for i = 1, table.getn( t ) do t[i]() end
  typename = t.typename
  SetDefaultStyle( saved )
  if typename then PostCreate( t, typename ) end
end

function Creating( typename, t ) end

function SetBeginGroup() gBeginGroup = 1 end
function BeginGroup() return function() SetBeginGroup() end end

function GetTag( t, name, inner )
  local value = t[name]
  if value ~= nil then return value end
  if not inner then
    if gCurrentDefaultStyle and gCurrentDefaultStyle ~= t then
      return GetTag( gCurrentDefaultStyle, name, true )
    end
    return nil
  end
  -- a style that names itself as its parent must not loop for ever
  if type( t.parent ) == "table" and t.parent ~= t then return GetTag( t.parent, name, true ) end
  return nil
end

function SetDefaultStyle( style ) gCurrentDefaultStyle = style end
function SetStyle( style ) return function() SetDefaultStyle( style ) end end
function AppendStyle( style )
  return function()
    if style ~= gCurrentDefaultStyle then style.parent = gCurrentDefaultStyle end
    SetDefaultStyle( style )
  end
end

function SetFocus( name ) RealSetFocus( name ) end
function SetDefault( x ) return function() end end

function DistributeX( n )
  divisor = n + 1
  d = {}
  for i = 1, n do d[i] = i / divisor * gDialogWidth end
  return d
end

function DistributeY( n )
  local t = {}
  for i = 1, n do t[i] = i / ( n + 1 ) * gDialogHeight end
  return t
end

function WaitForCloseMessage( name )
  while true do
    if gClosedWindows[name] then
      gClosedWindows[name] = nil
      return
    end
    local m = WaitForMessage()
    if m then
      gLastMessage = m
      if m.type == kModalClosed then
        if m.name == name then return end
        gClosedWindows[m.name] = true
      end
    end
  end
end

function DoModal( script )
  local id = PushModal( script )
  ReadFile( script )
  DoFitToChildren()
  WaitForCloseMessage( id )
  local result = gReturnValue
  gReturnValue = nil
  return result
end

function DoMainWindow( script )
  PushModal( script )
  local depth = GetWindowDepth()
  ReadFile( script )
  DoFitToChildren()
  while true do
    local m = WaitForMessage()
    if m then gLastMessage = m end
    if GetWindowDepth() < depth then return end
  end
end

function ModalReturn( value ) gReturnValue = value end

function DisplaySplash( movie, image, duration )
  local id = PushModal( "DisplaySplash" )
  local translate = GetTag( {}, "translate" ) or false
  local allowInput = GetTag( {}, "allowInput" ) or false
  local disableAbort = GetTag( {}, "disableAbort" ) or false
  local inMovie = StartMovie( movie or "", translate, allowInput )
  local endTime = GetTimer() + ( duration or 0 )
  if not inMovie then
    local overlay = GetTag( {}, "splashoverlay" ) or Group{}
    if not image then return end
    DoWindow{ typename = "Bitmap", name = "splashimage", image = image, autoscale = true, overlay }
    UpdateWindow(); Pause( 50 ); UpdateWindow(); Pause( 50 )
  end
  if inMovie or ImageLoaded( "splashimage" ) then
    while true do
      local m = WaitForMessage( 1 )
      if not inMovie and GetTimer() >= endTime then break end
      if m then
        if m.type == kCloseWindow then break end
        if m.type == kModalClosed then
          if m.name == id then break end
          gClosedWindows[m.name] = true
        end
        if not disableAbort and m.type == kPressAnyKey then break end
      end
      if inMovie and not IsMoviePlaying() then break end
    end
  end
  if inMovie then StopMovie() end
  PopModal( id )
end

function FlushMessages()
  while HandleGetMessage( 1 ) do end
  gCommandQueue = {}
  gMessageQueue = {}
end

function WaitForMessage( timeout, skipQueue )
  if not skipQueue and table.getn( gMessageQueue ) > 0 then return table.remove( gMessageQueue ) end
  local message, command
  if timeout then message, command = HandleGetMessage( timeout )
  else message, command = HandleGetMessage() end
  if command then
    gYieldResult = command()
  elseif table.getn( gCommandQueue ) > 0 then
    local queued = table.remove( gCommandQueue )
    gYieldResult = queued()
  end
  return message
end

function Yield() return coroutine.yield() end

-- the native ReadFile (assets through the index and packs) is kept when present
if not ReadFile then
  function ReadFile( name ) return dofile( "assets/" .. name ) end
end

function CloseWindow( value )
  PostMessage( CreateCloseMessage() )
  if value then ModalReturn( value ) end
end

function CustomCreator( x ) end

function GetString( label, a1, a2, a3, a4, a5 )
  return _GetString( label, a1 or "", a2 or "", a3 or "", a4 or "", a5 or "" )
end

function SetBitmap( name, image, scale ) _SetBitmap( name, image, scale or 1 ) end
function PopModal( name ) DoPopModal( name ) end

function SwapToModal( script )
  ClearModalChildren()
  ReadFile( script )
  DoFitToChildren()
end

function DisplayDialog( t )
  if not t[1] or t[1] == "" then
    DebugOut( "DisplayDialog called with empty script; aborting" )
    return
  end
  local id = PushModal( t[1] )
  gDialogTable = t
  ReadFile( t[1] )
  WaitForCloseMessage( id )
  local result = gReturnValue
  gReturnValue = nil
  return result
end

function SelectLayer( n ) return function() DoSelectLayer( n ) end end
function Group( t ) return function() MakeDialog( t ) end end
function FitToChildren() return function() DoFitToChildren() end end

function Pause( milliseconds, anyKey )
  local finish = GetTimer() + milliseconds
  while GetTimer() < finish do
    local m = WaitForMessage( finish - GetTimer(), true )
    if m then
      if anyKey and m.type == kPressAnyKey then return end
      table.insert( gMessageQueue, m )
    end
  end
end

function SetState( key, value )
  if value == true then value = 1 elseif value == false then value = 0 end
  _SetState( tostring( key ), tostring( value ) )
end

function RegisterHotkey( key, name )
  if key and name then _RegisterHotkey( key, name ) end
end
