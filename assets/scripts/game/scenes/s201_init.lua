-- Entering the attic study: the prize shown after the search leads back to the hall.
SetGlobalBool("skipAfterPickup", true)
