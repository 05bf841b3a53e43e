-- The attic's search: the prize window shown after the win leads back to the hall.
SetGlobalBool("skipAfterPickup", true)
